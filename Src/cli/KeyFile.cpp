#include "KeyFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "../../xmlPdu/security/Cipher.h"
#include "../../xmlPdu/security/Keys.h"

namespace vantrel {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool SetKeyLine(std::string_view Line, VantrelKeys& Keys, std::string& Message) {
    const size_t equals = Line.find('=');
    if (equals == std::string_view::npos) {
        Message = "expected Name = HEX";
        return false;
    }
    return SetKeyFromHex(Keys, Trim(Line.substr(0, equals)), Trim(Line.substr(equals + 1)), Message);
}

bool ReadKeyFile(const std::string& Path, VantrelKeys& Keys, std::string& Message) {
    FILE* file = std::fopen(Path.c_str(), "rb");
    if (!file) {
        Message = "cannot open " + Path + ": " + std::strerror(errno);
        return false;
    }
    cipher::TSecret text;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.Value.size() < (1u << 20))
        text.Value.append(chunk, n);
    cipher::Wipe(chunk, sizeof chunk);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        Message = "cannot read " + Path;
        return false;
    }
    std::string_view rest = text.Value;
    for (int number = 1; !rest.empty(); ++number) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        line = Trim(line);
        if (line.empty()) continue;
        if (!SetKeyLine(line, Keys, Message)) {
            Message = Path + ":" + std::to_string(number) + ": " + Message;
            return false;
        }
    }
    return true;
}

}  // namespace vantrel
