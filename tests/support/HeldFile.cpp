#include "support/HeldFile.h"

#include <stdexcept>
#include <vector>

namespace testsupport {

namespace {

constexpr const char* routineName = "hold-file";

// The helper's side: open the file without sharing, say so, wait to be released.
int holdFile(const std::vector<std::string>& arguments) {
    if (arguments.size() != 3) {
        return 2;
    }
    const HANDLE file = CreateFileA(arguments[0].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 3;
    }
    const HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, arguments[1].c_str());
    const HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, arguments[2].c_str());
    if (ready == nullptr || release == nullptr || !SetEvent(ready)) {
        return 4;
    }
    WaitForSingleObject(release, INFINITE);
    CloseHandle(file);
    return 0;
}

const bool registered = registerChildRoutine(routineName, &holdFile);

std::string uniqueEventBase() {
    static unsigned counter = 0;
    return "vesk-held-file-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
}

}  // namespace

HeldFile::Event::Event(const std::string& name) : handle(CreateEventA(nullptr, TRUE, FALSE, name.c_str())) {
    if (handle == nullptr) {
        throw std::runtime_error("CreateEventA(" + name + ") failed with error " +
                                 std::to_string(GetLastError()));
    }
}

HeldFile::Event::~Event() { CloseHandle(handle); }

HeldFile::HeldFile(const std::string& path)
    : name_(uniqueEventBase()), ready_(name_ + "-ready"), release_(name_ + "-release") {
    child_ = std::make_unique<ChildProcess>(
        childCommandLine(routineName, {path, name_ + "-ready", name_ + "-release"}));
    const HANDLE waitFor[] = {ready_.handle, child_->handle()};
    const DWORD result = WaitForMultipleObjects(2, waitFor, FALSE, 60000);
    if (result != WAIT_OBJECT_0) {
        const DWORD exitCode = result == WAIT_OBJECT_0 + 1 ? child_->wait() : 0;
        throw std::runtime_error("the helper process could not hold " + path + " (wait result " +
                                 std::to_string(result) + ", exit code " + std::to_string(exitCode) + ")");
    }
}

HeldFile::~HeldFile() {
    SetEvent(release_.handle);
    child_->wait();
}

}  // namespace testsupport
