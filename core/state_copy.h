// state_copy.h - the visitor that copies engine state into saved bytes and
// back out of them (engine_state.h).
//
// Fields are visited in one fixed order; each is a plain value, and a buffer
// is a pointer and a count. Saving appends every field's bytes; restoring
// reads them back in the same order and leaves a field alone where the saved
// bytes run out. Scenes list their fields for it in their state() hooks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

class StateCopy {
  public:
    StateCopy(std::vector<uint8_t>& bytes, bool saving) : bytes_(bytes), saving_(saving) {
        if (saving_) bytes_.clear();
    }

    template <class... Field>
    void operator()(Field&... fields) {
        (copy(&fields, sizeof fields), ...);
        static_assert((std::is_trivially_copyable_v<Field> && ...));
    }

    template <class T>
    void buffer(T* data, size_t count) {
        static_assert(std::is_trivially_copyable_v<T>);
        copy(data, count * sizeof(T));
    }

  private:
    void copy(void* data, size_t size) {
        if (size == 0) return;
        if (saving_) {
            const auto* from = static_cast<const uint8_t*>(data);
            bytes_.insert(bytes_.end(), from, from + size);
        } else if (at_ + size <= bytes_.size()) {
            memcpy(data, bytes_.data() + at_, size);
        }
        at_ += size;
    }

    std::vector<uint8_t>& bytes_;
    bool saving_;
    size_t at_ = 0;
};
