#include "WatchOptions.h"

#include <stdexcept>

#include "progress/ClientOperation.h"

namespace {

DWORD parseMilliseconds(const std::string& option, const std::string& text) {
    std::size_t end = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &end);
    } catch (const std::exception&) {
        end = 0;
    }
    if (end == 0 || end != text.size() || value > 0x7FFFFFFF) {
        throw std::invalid_argument(option + " needs a number of milliseconds, not '" + text + "'");
    }
    return static_cast<DWORD>(value);
}

}  // namespace

WatchOptions WatchOptions::parse(const std::vector<std::string>& arguments) {
    WatchOptions options;
    options.name = progress::operationSequenceName;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& option = arguments[index];
        if (option == "--create") {
            options.create = true;
            continue;
        }
        const bool takesValue =
            option == "--name" || option == "--interval" || option == "--timeout" || option == "--stop-event";
        if (!takesValue) {
            throw std::invalid_argument("unknown argument '" + option + "'");
        }
        if (index + 1 >= arguments.size()) {
            throw std::invalid_argument(option + " needs a value");
        }
        const std::string& value = arguments[++index];
        if (option == "--name") {
            options.name = value;
        } else if (option == "--interval") {
            options.intervalMs = parseMilliseconds(option, value);
        } else if (option == "--timeout") {
            options.timeoutMs = parseMilliseconds(option, value);
        } else {
            options.stopEvent = value;
        }
    }
    if (options.name.empty()) {
        throw std::invalid_argument("--name needs a value");
    }
    return options;
}

const char* WatchOptions::usage() {
    return "usage: progress-watch [--create] [--name NAME] [--interval MS] [--timeout MS] [--stop-event "
           "NAME]\n"
           "\n"
           "Prints each change of the installer's progress block as\n"
           "  YYYY-MM-DD hh:mm:ss.mmm operation N started|finished\n"
           "until the time-out passes, the named event is set or the program is stopped.\n"
           "\n"
           "  --create          create the block when there is none and keep it while watching\n"
           "  --name NAME       the block to watch (default VdsOperationSequenceSharedMemory)\n"
           "  --interval MS     time between two reads (default 10)\n"
           "  --timeout MS      stop after this long\n"
           "  --stop-event NAME stop when this named event is set (it is created when missing)\n";
}
