#include "zip/ZipArchive.h"

#include <cerrno>
#include <mutex>
#include <new>

#include "zip/CentralDirectory.h"
#include "zip/FileProxy.h"

namespace {

// The list of open archives, newest first, and the lock that guards it and the
// reference counts.
struct OpenArchives {
    CriticalSection lock;
    ZipArchive* head = nullptr;
};

OpenArchives& openArchives() {
    static OpenArchives archives;
    return archives;
}

constexpr std::int32_t maxReferences = 0xFFFF;

ZipArchive* takeShared(const std::string& path) {
    OpenArchives& list = openArchives();
    const std::lock_guard<CriticalSection> guard(list.lock);
    for (ZipArchive* archive = list.head; archive != nullptr; archive = archive->next) {
        if (archive->name == path && archive->references < maxReferences) {
            ++archive->references;
            return archive;
        }
    }
    return nullptr;
}

std::unique_ptr<ZipArchive> openNew(const std::string& path, const char** reason) {
    AutoHandle file(createFileProxy(path, GENERIC_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!file) {
        return nullptr;
    }
    auto archive = std::make_unique<ZipArchive>();
    archive->name = path;
    archive->file = std::move(file);
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(archive->file.get(), &length)) {
        return nullptr;
    }
    archive->length = length.QuadPart;
    if (archive->length == 0) {
        *reason = "zip file is empty";
        return nullptr;
    }
    if (readCentralDirectory(*archive, -1) != 0) {
        *reason = archive->message;
        return nullptr;
    }
    return archive;
}

}  // namespace

ZipArchive* ZIP_Open(const std::string& path, const char** reason) {
    errno = 0;
    *reason = nullptr;
    if (path.size() >= zipMaxPathLength) {
        *reason = "zip file name too long";
        return nullptr;
    }
    if (ZipArchive* shared = takeShared(path)) {
        return shared;
    }
    try {
        std::unique_ptr<ZipArchive> archive = openNew(path, reason);
        if (!archive) {
            return nullptr;
        }
        OpenArchives& list = openArchives();
        const std::lock_guard<CriticalSection> guard(list.lock);
        archive->next = list.head;
        list.head = archive.release();
        return list.head;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void ZIP_Close(ZipArchive* archive) {
    if (archive == nullptr) {
        return;
    }
    {
        OpenArchives& list = openArchives();
        const std::lock_guard<CriticalSection> guard(list.lock);
        if (--archive->references > 0) {
            return;
        }
        for (ZipArchive** link = &list.head; *link != nullptr; link = &(*link)->next) {
            if (*link == archive) {
                *link = archive->next;
                break;
            }
        }
    }
    delete archive;
}

bool readArchiveBytes(ZipArchive& archive, std::int64_t position, void* buffer, std::int64_t count) {
    if (position < 0 || count < 0 || position > archive.length || count > archive.length - position) {
        return false;
    }
    return readFully(archive.file.get(), position, buffer, count);
}
