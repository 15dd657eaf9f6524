#include "support/LogRecords.h"

#include "support/TestFiles.h"

#include <regex>
#include <stdexcept>

namespace testsupport {

namespace {

const std::regex headerPattern(
    R"(\[(\d{4})/(\d{2})/(\d{2}) (\d{2}):(\d{2}):(\d{2})\.(\d{3}), (.*) \(PID: (\d+), TID: (\d+)\), (.*):(\d+) \((.*)\)\])");
const std::regex levelPattern(R"(\t([A-Z]+): (.*))");

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

bool startsRecord(const std::vector<std::string>& lines, std::size_t index) {
    return index + 1 < lines.size() && std::regex_match(lines[index], headerPattern) &&
           std::regex_match(lines[index + 1], levelPattern);
}

WORD field(const std::smatch& match, int index) { return static_cast<WORD>(std::stoul(match[index].str())); }

}  // namespace

std::string readFileText(const std::string& path) {
    return pathExists(path) ? readFileBytes(path) : std::string();
}

std::uint64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<LogRecord> readLogRecords(const std::string& path, std::uint64_t offset) {
    std::string raw = readFileText(path);
    raw.erase(0, static_cast<std::size_t>(offset));
    // The log is written in text mode: line feeds arrive as CR LF.
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            continue;
        }
        text += raw[i];
    }
    if (text.empty()) {
        return {};
    }
    if (text.back() != '\n') {
        throw std::runtime_error("log text does not end with a line feed");
    }
    text.pop_back();
    const std::vector<std::string> lines = splitLines(text);
    std::vector<LogRecord> records;
    for (std::size_t index = 0; index < lines.size();) {
        if (!startsRecord(lines, index)) {
            throw std::runtime_error("no record starts at log line " + std::to_string(index + 1) + ": " +
                                     lines[index]);
        }
        std::smatch header;
        std::regex_match(lines[index], header, headerPattern);
        LogRecord record;
        record.time.wYear = field(header, 1);
        record.time.wMonth = field(header, 2);
        record.time.wDay = field(header, 3);
        record.time.wHour = field(header, 4);
        record.time.wMinute = field(header, 5);
        record.time.wSecond = field(header, 6);
        record.time.wMilliseconds = field(header, 7);
        record.process = header[8];
        record.processId = std::stoul(header[9].str());
        record.threadId = std::stoul(header[10].str());
        record.file = header[11];
        record.line = std::stoul(header[12].str());
        record.function = header[13];
        std::smatch level;
        std::regex_match(lines[index + 1], level, levelPattern);
        record.level = level[1];
        record.message = level[2];
        index += 2;
        while (index < lines.size() && !startsRecord(lines, index)) {
            record.message += "\n" + lines[index++];
        }
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace testsupport
