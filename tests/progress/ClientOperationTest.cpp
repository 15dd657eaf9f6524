#include "progress/ClientOperation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "diag/VdsError.h"
#include "progress/OperationMailbox.h"
#include "support/CapturedChild.h"
#include "win/AutoHandle.h"
#include "win/Guid.h"

namespace {

using progress::ClientOperation;
using progress::OperationMailbox;
using progress::OperationState;

constexpr const char* blockName = "VdsOperationSequenceSharedMemory";

bool blockExists() {
    const AutoHandle block(OpenFileMappingA(FILE_MAP_READ, FALSE, blockName));
    return block.valid();
}

// The record in the block, read with plain Windows calls.
std::optional<OperationMailbox> readBlock() {
    const AutoHandle block(OpenFileMappingA(FILE_MAP_READ, FALSE, blockName));
    if (!block) {
        throw std::runtime_error("no block: error " + std::to_string(GetLastError()));
    }
    const void* view = MapViewOfFile(block.get(), FILE_MAP_READ, 0, 0, 8);
    if (view == nullptr) {
        throw std::runtime_error("MapViewOfFile failed with error " + std::to_string(GetLastError()));
    }
    OperationMailbox::Bytes bytes{};
    std::memcpy(bytes.data(), view, bytes.size());
    UnmapViewOfFile(view);
    return OperationMailbox::fromBytes(bytes);
}

TEST(ClientOperationTest, CreatesTheBlockForItsLifetime) {
    ASSERT_FALSE(blockExists());
    {
        const ClientOperation operation(4);
        EXPECT_EQ(readBlock(), OperationMailbox(4, OperationState::Started));
    }
    const AutoHandle block(OpenFileMappingA(FILE_MAP_READ, FALSE, blockName));
    EXPECT_FALSE(block.valid());
    EXPECT_EQ(GetLastError(), DWORD{ERROR_FILE_NOT_FOUND});
}

TEST(ClientOperationTest, IdZeroPostsNothing) {
    EXPECT_THROW(ClientOperation(0), VdsError<std::invalid_argument>);
    EXPECT_FALSE(blockExists());

    const ipc::SharedMemoryUnsafe display =
        ipc::SharedMemoryUnsafe::create(ipc::SharedMemoryUnsafe::CreateNew{}, blockName);
    { const ClientOperation operation(7); }
    EXPECT_THROW(ClientOperation(0), VdsError<std::invalid_argument>);
    EXPECT_EQ(readBlock(), OperationMailbox(7, OperationState::Finished));
}

// The lines progress-watch printed, without their time stamps.
std::vector<std::string> watchedLines(const std::string& output) {
    static const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} (.*))");
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::smatch match;
        lines.push_back(std::regex_match(line, match, stamped) ? match[1].str() : "unstamped: " + line);
    }
    return lines;
}

// A display process made the block first: the operations only open it, and the display
// reads each record in turn.
TEST(ClientOperationTest, DisplayProcessReadsEachPost) {
    const std::string stopEvent = "VeskProgressTestStop" + Guid::generate().toString();
    const AutoHandle stop(CreateEventA(nullptr, TRUE, FALSE, stopEvent.c_str()));
    ASSERT_TRUE(stop.valid());
    testsupport::CapturedChild display(std::string("\"") + PROGRESS_WATCH_PATH +
                                       "\" --create --interval 2 --stop-event " + stopEvent);
    ASSERT_TRUE(display.waitForOutput("(created)", 20000)) << display.output();

    for (const int id : {5, 6}) {
        {
            const ClientOperation operation(id);
            ASSERT_TRUE(display.waitForOutput("operation " + std::to_string(id) + " started", 10000))
                << display.output();
        }
        ASSERT_TRUE(display.waitForOutput("operation " + std::to_string(id) + " finished", 10000))
            << display.output();
        // The block belongs to the display and outlives the operation.
        EXPECT_TRUE(blockExists());
    }

    ASSERT_TRUE(SetEvent(stop.get()));
    EXPECT_EQ(display.wait(), 0u);
    const std::vector<std::string> expected = {std::string("watching ") + blockName + " (created)",
                                               "operation 5 started",
                                               "operation 5 finished",
                                               "operation 6 started",
                                               "operation 6 finished",
                                               "stopped"};
    EXPECT_EQ(watchedLines(display.output()), expected);
}

// Without --create the reader waits for the block the installer makes, and its handle
// keeps the block, so the Finished post is seen too.
TEST(ClientOperationTest, ReaderWaitsForTheInstallersBlock) {
    testsupport::CapturedChild display(std::string("\"") + PROGRESS_WATCH_PATH +
                                       "\" --interval 2 --timeout 60000");
    ASSERT_TRUE(display.waitForOutput(std::string("watching ") + blockName, 20000)) << display.output();
    {
        const ClientOperation operation(7);
        ASSERT_TRUE(display.waitForOutput("operation 7 started", 10000)) << display.output();
    }
    EXPECT_TRUE(display.waitForOutput("operation 7 finished", 10000)) << display.output();
}

TEST(ClientOperationTest, ReaderRefusesBadArguments) {
    testsupport::CapturedChild display(std::string("\"") + PROGRESS_WATCH_PATH + "\" --interval soon");
    EXPECT_EQ(display.wait(), 2u);
    EXPECT_NE(display.output().find("--interval needs a number of milliseconds, not 'soon'"),
              std::string::npos)
        << display.output();
}

}  // namespace
