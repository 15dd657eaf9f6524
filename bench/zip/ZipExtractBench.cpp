// zip_extract_bench ARCHIVE DESTINATION: extracts the whole archive with our reader and
// prints "<seconds> <entries>" for the extraction alone (the process start is not timed).

#include <windows.h>

#include <cstdio>
#include <exception>

#include "zip/ZipFile.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zip_extract_bench ARCHIVE DESTINATION\n");
        return 2;
    }
    try {
        LARGE_INTEGER frequency;
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        const ZipFile archive(argv[1]);
        archive.extractAll(argv[2], {});
        QueryPerformanceCounter(&end);
        std::printf("%.3f %d\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                    archive.archive().total);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
