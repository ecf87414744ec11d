// Both dispatches' steps: an operation's entry builds its worker for the format, whose entries run the work.
#pragma once

#include <cstdint>

#include "img/image.h"
#include "img/op.h"
#include "img/pixel.h"

namespace talvo::g {

// The first dispatch's step: builds the worker (XImplementation<F>) from the operation and applies it to
// `target`, the source for two-image operations, the destination again for one-image ones.
template <class Implementation, class X>
void applyWorker(const X& op, Image& target) {
    Implementation worker(op);
    target.apply(worker);
}

// Defines Class's eight format entries: each applies Worker<its pixel struct> to `target` (src or dst).
#define TALVO_G_FIRST_DISPATCH_ENTRY(F, Class, Worker, target) \
    void Class::apply##F() { applyWorker<Worker<F>>(*this, *target); }
#define TALVO_G_FIRST_DISPATCH(Class, Worker, target) \
    TALVO_G_DIRECT_FORMATS(TALVO_G_FIRST_DISPATCH_ENTRY, Class, Worker, target)

// The second dispatch's eight entries of a worker derived from Base: each calls
// Worker::formatEntry<its pixel struct>() (the source's format for a two-image worker, the destination's
// again for a one-image one).
template <class Base, class Worker>
struct FormatEntries : Base {
    template <class X>
    explicit FormatEntries(const X& op) : Base(op) {}

#define TALVO_G_SECOND_DISPATCH_ENTRY(F, ...) \
    void apply##F() override { static_cast<Worker*>(this)->template formatEntry<F>(); }
    TALVO_G_DIRECT_FORMATS(TALVO_G_SECOND_DISPATCH_ENTRY, )
#undef TALVO_G_SECOND_DISPATCH_ENTRY
};

// A one-image worker: its entries depend on the pixel size alone, so the eight formats share one. Each
// entry runs Write{}.operator()<bytes per pixel>(the operation).
template <class X, class Write>
struct OneImageWorker final : FormatEntries<X, OneImageWorker<X, Write>> {
    using FormatEntries<X, OneImageWorker>::FormatEntries;
    template <class D>
    void formatEntry() {
        Write{}.template operator()<D::bytes>(static_cast<const X&>(*this));
    }
};

// Picks, of the three writers of a one-image operation, the one for pixels of B bytes.
template <std::uint32_t B, class W16, class W24, class W32>
constexpr auto& writerFor(W16& w16, W24& w24, W32& w32) {
    if constexpr (B == 2) {
        return w16;
    } else if constexpr (B == 3) {
        return w24;
    } else {
        static_assert(B == 4);
        return w32;
    }
}

}  // namespace talvo::g
