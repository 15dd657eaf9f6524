#include "progress/OperationMailbox.h"

#include <stdexcept>
#include <string>

#include "diag/VdsError.h"

namespace progress {

namespace {

void putInt32(OperationMailbox::Bytes& bytes, std::size_t offset, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t index = 0; index < 4; ++index) {
        bytes[offset + index] = static_cast<unsigned char>(bits >> (8 * index));
    }
}

std::int32_t getInt32(const OperationMailbox::Bytes& bytes, std::size_t offset) {
    std::uint32_t bits = 0;
    for (std::size_t index = 0; index < 4; ++index) {
        bits |= static_cast<std::uint32_t>(bytes[offset + index]) << (8 * index);
    }
    return static_cast<std::int32_t>(bits);
}

bool isPostable(std::int32_t id, OperationState state) {
    return id != 0 && (state == OperationState::Started || state == OperationState::Finished);
}

}  // namespace

OperationMailbox::OperationMailbox(std::int32_t id, OperationState state) : id_(id), state_(state) {
    if (!isPostable(id, state)) {
        VDS_THROW(std::invalid_argument, "progress::OperationMailbox::OperationMailbox",
                  "Invalid operation record (" + std::to_string(id) + ", " +
                      std::to_string(static_cast<std::int32_t>(state)) + ")");
    }
}

std::optional<OperationMailbox> OperationMailbox::fromBytes(const Bytes& bytes) {
    const std::int32_t id = getInt32(bytes, 0);
    const auto state = static_cast<OperationState>(getInt32(bytes, 4));
    if (!isPostable(id, state)) {
        return std::nullopt;
    }
    return OperationMailbox(id, state);
}

OperationMailbox::Bytes OperationMailbox::toBytes() const {
    Bytes bytes{};
    putInt32(bytes, 0, id_);
    putInt32(bytes, 4, static_cast<std::int32_t>(state_));
    return bytes;
}

}  // namespace progress
