// Copy and alpha draw: index copy, palette path and the pairs of both rule tables.
#include "img/image.h"
#include "img/row_walk.h"

namespace talvo::g {

namespace {

template <PelFmtId D, PelFmtId S>
void copyRows(const BOp& op) {
    if constexpr (copyRules[D][S] == CopyRule::same) {
        sameBytesRows<pelFmtBytes[D]>(op, pelLayouts[S].keyMask());
    } else {
        pairRows<D, S>(op, PixelFn<copyPixel<D, S>>{});
    }
}

template <class F>
struct OpAssignStdImplementation final : SourceEntries<OpAssignStd> {
    using SourceEntries::SourceEntries;
    void applyIndexed() override { paletteRows<F::id>(*this, PixelFn<copyPixel<F::id, F::id>>{}); }
    void applyFormat(PelFmtId id) override {
        withPixelFormat(id, 0, [&]<PelFmtId S>() {
            copyRows<F::id, S>(*this);
            return 0;
        });
    }
};

template <class F>
struct OpDrawStdImplementation final : SourceEntries<OpDrawStd> {
    using SourceEntries::SourceEntries;
    void applyIndexed() override { paletteRows<F::id>(*this, PixelFn<copyPixel<F::id, F::id>>{}); }
    void applyFormat(PelFmtId id) override {
        withPixelFormat(id, 0, [&]<PelFmtId S>() {
            if constexpr (drawMixes[F::id][S]) {
                pairRows<F::id, S>(*this, PixelFn<drawPixel<F::id, S>>{});
            } else {
                copyRows<F::id, S>(*this);
            }
            return 0;
        });
    }
};

}  // namespace

// Both 8-bit: the indices unchanged, whatever either palette holds; the key compares the low byte.
void OpAssignStd::applyIndexed() {
    if (src->format().id() == 9) sameBytesRows<1>(*this, 0xFF);
}

void OpAssignStd::applyOther8() { OpAssignStd::applyIndexed(); }

void OpAssignStd::applyFormat(PelFmtId id) { applyToSource<OpAssignStdImplementation>(*this, id); }

void OpDrawStd::applyFormat(PelFmtId id) { applyToSource<OpDrawStdImplementation>(*this, id); }

}  // namespace talvo::g
