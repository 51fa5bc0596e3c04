#include "KeyFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../../xmlPdu/security/Cipher.h"
#include "TerminalText.h"

namespace vantrel {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

bool ShowableFileName(std::string_view Path) noexcept { return Path.find('=') == std::string_view::npos; }

bool TKeyLoader::Line(std::string_view Line, std::string_view Place, std::string& Message) {
    const size_t equals = Line.find('=');
    if (equals == std::string_view::npos) {
        Message = "expected Name = HEX";
        return false;
    }
    const std::string_view name = Trim(Line.substr(0, equals));
    if (!SetKeyFromHex(FKeys, name, Trim(Line.substr(equals + 1)), Message)) return false;
    VantrelKeys::TSlot slot;
    FindKeySlot(name, slot);  // SetKeyFromHex found it
    std::string& where = FWhere[slot];
    if (!where.empty())
        FWarnings.push_back(std::string(Place) + ": warning: " + std::string(KeySlotName(slot)) + " given again (first at " +
                            where + "): this value is used");
    where = Place;
    return true;
}

bool TKeyLoader::Text(std::string_view Text, std::string_view Name, std::string& Message) {
    if (Text.starts_with(kByteOrderMark)) Text.remove_prefix(kByteOrderMark.size());
    std::string place;
    for (long number = 1; !Text.empty(); ++number) {
        const size_t end = Text.find('\n');
        std::string_view line = Text.substr(0, end);
        Text.remove_prefix(end == std::string_view::npos ? Text.size() : end + 1);
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        line = Trim(line);
        if (line.empty()) continue;
        place.assign(Name);
        place += ':';
        place += std::to_string(number);
        if (!Line(line, place, Message)) {
            Message = place + ": " + Message;
            return false;
        }
    }
    return true;
}

bool TKeyLoader::File(const std::string& Path, std::string& Message) {
    const std::string name = ShowableFileName(Path) ? cli::TerminalSafe(Path) : std::string("the keys file");
    FILE* file = std::fopen(Path.c_str(), "rb");
    if (!file) {
        Message = "cannot open " + name + ": " + std::strerror(errno);
        if (!ShowableFileName(Path)) Message += " (its name holds \"=\" and is not shown: --key takes Name=HEX)";
        return false;
    }
    // One buffer of the largest size read: no copy of the keys is left behind
    // by a buffer that grows.
    cipher::TSecret text;
    text.Value.resize(kMaxKeyFileSize + 1);
    size_t size = 0;
    for (size_t n; size < text.Value.size() && (n = std::fread(text.Value.data() + size, 1, text.Value.size() - size, file)) > 0;)
        size += n;
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        Message = "cannot read " + name;
        return false;
    }
    if (size > kMaxKeyFileSize) {
        Message = name + ": larger than 1 MiB, not read as a keys file";
        return false;
    }
    return Text(std::string_view(text.Value).substr(0, size), name, Message);
}

}  // namespace vantrel
