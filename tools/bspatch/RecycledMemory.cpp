#include "RecycledMemory.h"

#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace bspatch::recycled {
namespace {

// Each block starts with a header holding its usable size; the caller's part follows,
// aligned for any type.
struct alignas(std::max_align_t) Header {
    std::size_t size;
};

// Blocks below this size are cheap to get anew and are not kept.
constexpr std::size_t kSmallest = 64 << 10;

struct Store {
    std::mutex mutex;
    std::vector<Header*> free;
};

Store& store() {
    static Store instance;
    return instance;
}

}  // namespace

void* allocate(std::size_t size) noexcept {
    if (size >= kSmallest) {
        Store& kept = store();
        const std::lock_guard lock(kept.mutex);
        for (auto it = kept.free.begin(); it != kept.free.end(); ++it) {
            if ((*it)->size == size) {
                Header* header = *it;
                kept.free.erase(it);
                return header + 1;
            }
        }
    }
    if (size > static_cast<std::size_t>(-1) - sizeof(Header)) {
        return nullptr;
    }
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
    if (header == nullptr) {
        return nullptr;
    }
    header->size = size;
    return header + 1;
}

void release(void* block) noexcept {
    if (block == nullptr) {
        return;
    }
    Header* header = static_cast<Header*>(block) - 1;
    if (header->size >= kSmallest) {
        Store& kept = store();
        const std::lock_guard lock(kept.mutex);
        try {
            kept.free.push_back(header);
            return;
        } catch (const std::bad_alloc&) {
            // Not kept: given back below.
        }
    }
    std::free(header);
}

void useFor(bz_stream& stream) noexcept {
    stream.bzalloc = [](void*, int count, int size) -> void* {
        if (count < 0 || size < 0) {
            return nullptr;
        }
        return allocate(static_cast<std::size_t>(count) * static_cast<std::size_t>(size));
    };
    stream.bzfree = [](void*, void* block) { release(block); };
}

Bytes bytes(std::size_t size) {
    Bytes block(static_cast<std::uint8_t*>(allocate(size)));
    if (!block) {
        throw std::bad_alloc();
    }
    return block;
}

}  // namespace bspatch::recycled
