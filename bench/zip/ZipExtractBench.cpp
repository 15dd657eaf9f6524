// zip_extract_bench ARCHIVE DESTINATION: extracts the whole archive with our reader and
// prints "<seconds> <entries>" for the extraction alone (the process start is not timed).
//
// zip_extract_bench --floor ARCHIVE DESTINATION: the floor under any extraction in this
// process: each entry in the archive's order read into one reused buffer with the
// reader's inflation and CRC check, then its folder or file created and written with
// plain Windows calls, without name checks or log records. Prints "<seconds> <entries>".

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

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

std::wstring pathBelow(const std::wstring& destination, const std::string& name) {
    std::wstring path = destination + L"\\" + tstrings::toUtf16(name, CP_UTF8);
    for (wchar_t& c : path) {
        c = c == L'/' ? L'\\' : c;
    }
    return path;
}

void extractPlainly(const ZipFile& archive, const std::wstring& destination) {
    extractEntryInMemory read(archive.archive());
    for (std::int32_t i = 0; i < archive.archive().total; ++i) {
        ZipFileEntry entry(archive.archive(), entryAt(archive.archive(), i));
        std::wstring path = pathBelow(destination, entry.get().name);
        // The parent folders of a member come before it in the archives measured here.
        if (entry.isDirectory()) {
            path.pop_back();
            CreateDirectoryW(path.c_str(), nullptr);
            continue;
        }
        const std::string_view data = read(entry);
        const AutoHandle file(
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file || !WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr)) {
            throw std::runtime_error("cannot create " + tstrings::toAnsi(path));
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
            extractPlainly(archive, tstrings::toUtf16(destination, CP_ACP));
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
