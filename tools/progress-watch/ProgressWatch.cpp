// progress-watch: the reading side of the installer's progress channel. It prints every
// change of the progress block, for tests, demonstrations and scripted installs.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "WatchOptions.h"
#include "progress/OperationMailbox.h"
#include "progress/PlatformError.h"
#include "progress/SharedMemoryUnsafe.h"
#include "win/AutoHandle.h"

namespace {

using ipc::SharedMemoryUnsafe;
using progress::OperationMailbox;

void printLine(const std::string& text) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::printf("%04u-%02u-%02u %02u:%02u:%02u.%03u %s\n", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond, now.wMilliseconds, text.c_str());
    // Readers at the other end of a pipe must see each line at once.
    std::fflush(stdout);
}

std::string describe(const OperationMailbox& record) {
    return "operation " + std::to_string(record.id()) +
           (record.state() == progress::OperationState::Started ? " started" : " finished");
}

// The block, opened once it exists; the handle keeps it alive while we watch.
class BlockReader {
public:
    explicit BlockReader(const WatchOptions& options) : name_(options.name) {
        if (options.create) {
            block_.emplace(SharedMemoryUnsafe::create(SharedMemoryUnsafe::CreateNew{}, name_));
        }
    }

    bool isOpen() const { return block_.has_value(); }

    // The record the block holds now; nothing while there is no block or no record.
    std::optional<OperationMailbox> read() {
        if (!block_) {
            try {
                block_.emplace(SharedMemoryUnsafe::create(SharedMemoryUnsafe::OpenExisting{}, name_));
            } catch (const ipc::PlatformError&) {
                return std::nullopt;
            }
        }
        const SharedMemoryUnsafe::Snapshot snapshot(*block_);
        return OperationMailbox::fromBytes(snapshot.buffer());
    }

private:
    std::string name_;
    std::optional<SharedMemoryUnsafe> block_;
};

AutoHandle openStopEvent(const std::string& name) {
    if (name.empty()) {
        return AutoHandle();
    }
    AutoHandle event(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
    if (!event) {
        throw std::runtime_error("CreateEventA(" + name + ") failed with error " +
                                 std::to_string(GetLastError()));
    }
    return event;
}

void watch(const WatchOptions& options) {
    const AutoHandle stop = openStopEvent(options.stopEvent);
    BlockReader reader(options);
    printLine("watching " + options.name + (reader.isOpen() ? " (created)" : ""));

    const ULONGLONG start = GetTickCount64();
    std::optional<OperationMailbox> last;
    for (;;) {
        const std::optional<OperationMailbox> record = reader.read();
        if (record && record != last) {
            printLine(describe(*record));
            last = record;
        }
        if (options.timeoutMs && GetTickCount64() - start >= *options.timeoutMs) {
            break;
        }
        if (stop) {
            if (WaitForSingleObject(stop.get(), options.intervalMs) == WAIT_OBJECT_0) {
                break;
            }
        } else {
            Sleep(options.intervalMs);
        }
    }
    printLine("stopped");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "/?")) {
        std::fputs(WatchOptions::usage(), stdout);
        return 0;
    }
    WatchOptions options;
    try {
        options = WatchOptions::parse(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "progress-watch: %s\n\n%s", error.what(), WatchOptions::usage());
        return 2;
    }
    try {
        watch(options);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "progress-watch: %s\n", error.what());
        return 1;
    }
}
