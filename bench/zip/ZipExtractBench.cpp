// zip_extract_bench ARCHIVE DESTINATION: extracts the whole archive with our reader and
// prints "<seconds> <entries>" for the extraction alone (the process start is not timed).
//
// zip_extract_bench --floor ARCHIVE DESTINATION: the floor under any extraction in this
// process: every entry read into memory with the reader's inflation and CRC check, then
// every folder and file created and written with plain Windows calls, in the archive's
// order. Prints "<seconds> <entries>", the two parts together.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "diag/tstrings.h"
#include "win/AutoHandle.h"
#include "zip/ZipEntries.h"
#include "zip/ZipFile.h"
#include "zip/ZipFileEntry.h"
#include "zip/extractEntryInMemory.h"

namespace {

double secondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER frequency;
    LARGE_INTEGER end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

struct Member {
    std::wstring path;
    std::string data;
    bool directory = false;
};

std::vector<Member> readAll(const ZipFile& archive, const std::wstring& destination) {
    std::vector<Member> members;
    extractEntryInMemory read(archive.archive());
    for (std::int32_t i = 0; i < archive.archive().total; ++i) {
        ZipFileEntry entry(archive.archive(), entryAt(archive.archive(), i));
        std::wstring path = destination + L"\\" + tstrings::toUtf16(entry.get().name, CP_UTF8);
        for (wchar_t& c : path) {
            c = c == L'/' ? L'\\' : c;
        }
        const bool directory = entry.isDirectory();
        members.push_back({std::move(path), directory ? std::string() : std::string(read(entry)), directory});
    }
    return members;
}

void createAll(const std::vector<Member>& members) {
    for (const Member& member : members) {
        // The parent folders of a member come before it in the archives measured here.
        if (member.directory) {
            std::wstring path = member.path;
            path.pop_back();
            CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        const AutoHandle file(CreateFileW(member.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), member.data.data(), static_cast<DWORD>(member.data.size()), &written,
                                nullptr)) {
            throw std::runtime_error("cannot create " + tstrings::toAnsi(member.path));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool floor = argc == 4 && std::strcmp(argv[1], "--floor") == 0;
    if (argc != 3 && !floor) {
        std::fprintf(stderr, "usage: zip_extract_bench [--floor] ARCHIVE DESTINATION\n");
        return 2;
    }
    const char* archivePath = argv[floor ? 2 : 1];
    const char* destination = argv[floor ? 3 : 2];
    try {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        const ZipFile archive(archivePath);
        if (floor) {
            createAll(readAll(archive, tstrings::toUtf16(destination, CP_ACP)));
        } else {
            archive.extractAll(destination, {});
        }
        std::printf("%.3f %d\n", secondsSince(start), archive.archive().total);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
