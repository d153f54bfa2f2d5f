// state_copy.h - the visitor that copies engine state into saved bytes and
// back out of them (engine_state.h).
//
// Fields are visited in one fixed order; each is a plain value, and a buffer
// is a pointer and a count. Saving appends every field's bytes; restoring
// reads them back in the same order, from the saved bytes held a page at a
// time, and leaves a field alone where the saved bytes run out. A buffer of a
// page or more begins on a page of the bytes. Scenes list their fields for it
// in their state() hooks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

class StateCopy {
  public:
    // Saving, into `bytes`.
    explicit StateCopy(std::vector<uint8_t>& bytes) : bytes_(&bytes) { bytes_->clear(); }
    // Restoring, from `size` saved bytes held a page (kPage) at a time, each
    // page of them where `pages` points.
    StateCopy(const uint8_t* const* pages, size_t size) : pages_(pages), size_(size) {}

    template <class... Field>
    void operator()(Field&... fields) {
        (copy(&fields, sizeof fields), ...);
        static_assert((std::is_trivially_copyable_v<Field> && ...));
    }

    template <class T>
    void buffer(T* data, size_t count) {
        static_assert(std::is_trivially_copyable_v<T>);
        alignBuffer(count * sizeof(T));
        copy(data, count * sizeof(T));
    }

    // Buffers of a page or more start on a page of the saved bytes, so that
    // two of equal content (a screen and the picture shown from it) are
    // equal page for page.
    static constexpr size_t kPage = 4096;

  private:
    void alignBuffer(size_t size) {
        if (size < kPage || at_ % kPage == 0) return;
        const size_t padding = kPage - at_ % kPage;
        if (bytes_ != nullptr) bytes_->insert(bytes_->end(), padding, uint8_t{0});
        at_ += padding;
    }

    void copy(void* data, size_t size) {
        if (size == 0) return;
        if (bytes_ != nullptr) {
            const auto* from = static_cast<const uint8_t*>(data);
            bytes_->insert(bytes_->end(), from, from + size);
        } else if (at_ + size <= size_) {
            auto* to = static_cast<uint8_t*>(data);
            for (size_t done = 0; done < size;) {
                const size_t in = (at_ + done) % kPage;
                const size_t n = std::min(size - done, kPage - in);
                memcpy(to + done, pages_[(at_ + done) / kPage] + in, n);
                done += n;
            }
        }
        at_ += size;
    }

    std::vector<uint8_t>* bytes_ = nullptr;
    const uint8_t* const* pages_ = nullptr;
    size_t size_ = 0;
    size_t at_ = 0;
};
