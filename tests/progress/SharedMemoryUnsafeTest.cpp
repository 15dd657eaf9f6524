#include "progress/SharedMemoryUnsafe.h"

#include <gtest/gtest.h>

#include "diag/VdsError.h"
#include "progress/PlatformError.h"
#include "win/Guid.h"

namespace {

using ipc::SharedMemoryUnsafe;

TEST(SharedMemoryUnsafeTest, UnnamedBlockIsNamedByANewGuid) {
    const SharedMemoryUnsafe first = SharedMemoryUnsafe::create(SharedMemoryUnsafe::CreateNew{});
    const SharedMemoryUnsafe second = SharedMemoryUnsafe::create(SharedMemoryUnsafe::CreateNew{});
    EXPECT_EQ(first.size(), 8u);
    ASSERT_EQ(first.name().size(), 38u);
    EXPECT_EQ(Guid(std::wstring(first.name().begin(), first.name().end())).toString(), first.name());
    EXPECT_NE(first.name(), second.name());
}

TEST(SharedMemoryUnsafeTest, SnapshotsShareTheContent) {
    const SharedMemoryUnsafe created = SharedMemoryUnsafe::create(SharedMemoryUnsafe::CreateNew{});
    const SharedMemoryUnsafe opened =
        SharedMemoryUnsafe::create(SharedMemoryUnsafe::OpenExisting{}, created.name());
    {
        SharedMemoryUnsafe::Snapshot writer(opened);
        EXPECT_EQ(writer.buffer(), SharedMemoryUnsafe::Snapshot::Buffer{});
        writer.buffer() = {1, 2, 3, 4, 5, 6, 7, 8};
        writer.flush();
    }
    const SharedMemoryUnsafe::Snapshot reader(created);
    EXPECT_EQ(reader.buffer(), (SharedMemoryUnsafe::Snapshot::Buffer{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(SharedMemoryUnsafeTest, OpeningAMissingBlockThrowsAtCreate) {
    const std::string name = Guid::generate().toString();
    try {
        SharedMemoryUnsafe::create(SharedMemoryUnsafe::OpenExisting{}, name);
        FAIL() << "opened a block that does not exist";
    } catch (const VdsError<ipc::PlatformError>& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find(") at ipc::SharedMemoryUnsafe::create(): ipc error: OpenFileMappingA(" + name +
                            ") failed"),
                  std::string::npos)
            << text;
    }
}

}  // namespace
