#include "progress/OperationMailbox.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "diag/VdsError.h"

namespace {

using progress::OperationMailbox;
using progress::OperationState;

TEST(OperationMailboxTest, LaysOutIdAndStateLittleEndian) {
    const OperationMailbox record(0x01020304, OperationState::Finished);
    const OperationMailbox::Bytes expected{0x04, 0x03, 0x02, 0x01, 0x02, 0x00, 0x00, 0x00};
    EXPECT_EQ(record.toBytes(), expected);
    EXPECT_EQ(OperationMailbox::fromBytes(expected), record);

    const OperationMailbox negative(-2, OperationState::Started);
    EXPECT_EQ(OperationMailbox::fromBytes(negative.toBytes()), negative);
}

struct RecordCase {
    std::int32_t id;
    std::int32_t state;
};

class InvalidRecordTest : public testing::TestWithParam<RecordCase> {};

// Zero ids and states other than Started and Finished are never posted and never read.
TEST_P(InvalidRecordTest, IsRefused) {
    const RecordCase c = GetParam();
    EXPECT_THROW(OperationMailbox(c.id, static_cast<OperationState>(c.state)),
                 VdsError<std::invalid_argument>);

    OperationMailbox::Bytes bytes{};
    bytes[0] = static_cast<unsigned char>(c.id);
    bytes[4] = static_cast<unsigned char>(c.state);
    EXPECT_EQ(OperationMailbox::fromBytes(bytes), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Records, InvalidRecordTest,
                         testing::Values(RecordCase{0, 1}, RecordCase{0, 2}, RecordCase{4, 0},
                                         RecordCase{0, 0}, RecordCase{5, 3}));

}  // namespace
