// Keys files as the command line reads them: any text loads or ends in one
// message that names a place, never a value; a loaded slot holds a key of
// 16 or 32 octets or a system title of 8. The first line goes in once more
// as a --key argument, and one input in eight is read from a file.
#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Src/cli/KeyFile.h"

namespace {

void Check(bool Condition) {
    if (!Condition) std::abort();
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// No run of 8 hex digits of the input that is no part of a word (letters
// and "_": a name that may be quoted) shows in
// Message: values are hex digits, and a message never quotes them.
void CheckNoValueShows(std::string_view Text, std::string_view Message) {
    for (size_t at = 0; at < Text.size();) {
        if (!IsHex(Text[at])) {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < Text.size() && IsHex(Text[end])) ++end;
        const auto wordChar = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
        const bool word = (at > 0 && wordChar(Text[at - 1])) || (end < Text.size() && wordChar(Text[end]));
        if (end - at >= 8 && !word) Check(Message.find(Text.substr(at, end - at)) == std::string_view::npos);
        at = end;
    }
}

// A quoted key name is a word of letters and "_" with a letter no hex digit
// is; the rest of the message shows no value.
void CheckMessage(std::string_view Text, std::string_view Message) {
    Check(!Message.empty());
    for (unsigned char c : Message) Check((c >= 0x20 && c != 0x7F) || c == '\t');
    std::string rest(Message);
    static constexpr std::string_view kQuoted = "unknown key name \"";
    if (const size_t at = rest.find(kQuoted); at != std::string::npos) {
        const size_t begin = at + kQuoted.size();
        const size_t end = rest.find('"', begin);
        Check(end != std::string::npos);
        bool word = false;
        for (size_t i = begin; i < end; ++i) {
            const char c = rest[i];
            Check(std::isalpha(static_cast<unsigned char>(c)) || c == '_');
            word |= std::isalpha(static_cast<unsigned char>(c)) && !IsHex(c);
        }
        Check(word);
        rest.erase(begin, end - begin);
    }
    CheckNoValueShows(Text, rest);
}

void CheckKeys(const VantrelKeys& Keys) {
    for (int slot = 0; slot < VantrelKeys::kSlotCount; ++slot) {
        if (!Keys.Has(static_cast<VantrelKeys::TSlot>(slot))) continue;
        const size_t size = Keys.Get(static_cast<VantrelKeys::TSlot>(slot)).size();
        const bool title = slot == VantrelKeys::ClientSystemTitle || slot == VantrelKeys::ServerSystemTitle;
        Check(title ? size == 8 : size == 16 || size == 32);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size > vantrel::kMaxKeyFileSize) return 0;
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    VantrelKeys keys;
    vantrel::TKeyLoader loader(keys);
    std::string message;
    if (!loader.Text(text, "fuzz.keys", message)) CheckMessage(text, message);
    CheckKeys(keys);
    for (const std::string& warning : loader.Warnings()) CheckMessage(text, warning);

    // One input in eight through a file too, as --keys reads it.
    if ((Size & 7) == 0) {
        const int fd = memfd_create("fuzz.keys", 0);
        if (fd >= 0) {
            if (write(fd, Data, Size) == static_cast<ssize_t>(Size)) {
                VantrelKeys fromFile;
                vantrel::TKeyLoader fileLoader(fromFile);
                message.clear();
                if (!fileLoader.File("/proc/self/fd/" + std::to_string(fd), message)) CheckMessage(text, message);
                CheckKeys(fromFile);
            }
            close(fd);
        }
    }

    const std::string_view first = text.substr(0, text.find('\n'));
    message.clear();
    if (!loader.Line(first, "--key", message)) CheckMessage(first, message);
    CheckKeys(keys);
    return 0;
}
