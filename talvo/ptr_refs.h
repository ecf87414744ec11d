// Reference-counted pointers: a counts record per pointee, shared by every copy of its holder.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

namespace talvo {

// The two counts, both 1 when made. Atomic: copies of one holder may live on different threads.
struct PtrRefsData {
    std::atomic<std::int32_t> strong{1};
    std::atomic<std::int32_t> weak{1};
};

// The counts of one pointee and how to end it.
class PtrRefs : public PtrRefsData {
public:
    PtrRefs() noexcept = default;
    PtrRefs(const PtrRefs&) = delete;
    PtrRefs& operator=(const PtrRefs&) = delete;

    virtual void destroyPointee() noexcept = 0;
    virtual void destroySelf() noexcept = 0;
    virtual ~PtrRefs() = default;

    // A new copy of the holder.
    void add() noexcept {
        strong.fetch_add(1, std::memory_order_relaxed);
        weak.fetch_add(1, std::memory_order_relaxed);
    }
    // A copy ends: the pointee goes with the last strong count, the record with the last weak one.
    void release() noexcept {
        if (strong.fetch_sub(1, std::memory_order_acq_rel) - 1 < 1) destroyPointee();
        if (weak.fetch_sub(1, std::memory_order_acq_rel) - 1 < 1) destroySelf();
    }
};

// Deletes the pointee; refuses at compile time to delete a type it cannot see whole.
template <class T>
struct CheckedDeleter {
    void operator()(T* pointer) const noexcept {
        static_assert(sizeof(T) > 0, "deleting an incomplete type");
        delete pointer;
    }
};

template <class P, class D>
class PtrRefsImpl final : public PtrRefs {
public:
    PtrRefsImpl(P pointer, D deleter) noexcept : pointer_(pointer), deleter_(std::move(deleter)) {}
    void destroyPointee() noexcept override { deleter_(pointer_); }
    void destroySelf() noexcept override { delete this; }

private:
    P pointer_;
    D deleter_;
};

// Holds a pointee shared by all its copies; the last copy's end destroys it.
template <class T>
class SharedPtr {
public:
    SharedPtr() noexcept = default;
    // Takes the pointee; when the counts record cannot be made, the pointee is deleted first.
    template <class D = CheckedDeleter<T>>
    explicit SharedPtr(T* pointer, D deleter = D{}) : pointer_(pointer) {
        if (pointer == nullptr) return;
        try {
            refs_ = new PtrRefsImpl<T*, D>(pointer, deleter);
        } catch (...) {
            deleter(pointer);
            throw;
        }
    }
    SharedPtr(const SharedPtr& other) noexcept : pointer_(other.pointer_), refs_(other.refs_) {
        if (refs_ != nullptr) refs_->add();
    }
    SharedPtr(SharedPtr&& other) noexcept
        : pointer_(std::exchange(other.pointer_, nullptr)), refs_(std::exchange(other.refs_, nullptr)) {}
    SharedPtr& operator=(SharedPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        std::swap(refs_, other.refs_);
        return *this;
    }
    ~SharedPtr() {
        if (refs_ != nullptr) refs_->release();
    }

    [[nodiscard]] T* get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    T& operator*() const noexcept { return *pointer_; }
    [[nodiscard]] explicit operator bool() const noexcept { return pointer_ != nullptr; }
    // Copies holding the pointee now (0 for an empty holder).
    [[nodiscard]] std::int32_t useCount() const noexcept {
        return refs_ != nullptr ? refs_->strong.load(std::memory_order_relaxed) : 0;
    }

private:
    T* pointer_ = nullptr;
    PtrRefs* refs_ = nullptr;
};

}  // namespace talvo
