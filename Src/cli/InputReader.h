// The command line's input: read whole for one translation, or line by line
// through one buffer for --each-line (memory stays flat however many lines
// there are). Both have a stated bound.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::cli {

// The longest line --each-line reads: 16 MiB, an APDU of 8 MiB in hex.
inline constexpr size_t kMaxLineSize = size_t{16} << 20;
// The largest input read whole for one translation: 64 MiB.
inline constexpr size_t kMaxInputSize = size_t{64} << 20;

enum class TReadResult { Read, Failed, TooLarge };

// Reads Stream to its end into Text, at most Max octets: a larger input is
// TooLarge as soon as it passes the bound (Text is then emptied).
inline TReadResult ReadWhole(FILE* Stream, std::string& Text, size_t Max = kMaxInputSize) {
    // A file says its size: a larger one is refused unread, another read
    // into one buffer of its size.
    struct stat status {};
    if (fstat(fileno(Stream), &status) == 0 && S_ISREG(status.st_mode)) {
        if (static_cast<unsigned long long>(status.st_size) > Max) return TReadResult::TooLarge;
        Text.reserve(static_cast<size_t>(status.st_size));
    }
    char chunk[1 << 16];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, Stream)) > 0;) {
        if (Text.size() + n > Max) {
            Text.clear();
            Text.shrink_to_fit();
            return TReadResult::TooLarge;
        }
        Text.append(chunk, n);
    }
    return std::ferror(Stream) ? TReadResult::Failed : TReadResult::Read;
}

class TLineReader {
public:
    explicit TLineReader(FILE* Stream, size_t MaxLine = kMaxLineSize) : FStream(Stream), FMaxLine(MaxLine), FBuffer(1 << 16) {}

    // The next line, without its LF and a CR before it; false at the end.
    // A line longer than the bound is read to its end and dropped: Line is
    // empty and Overlong() says so.
    bool Next(std::string_view& Line) {
        if (FCarryTaken) {
            FCarry.clear();
            FCarryTaken = false;
        }
        FOverlong = false;
        for (;;) {
            const char* begin = FBuffer.data() + FBegin;
            if (const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', FEnd - FBegin))) {
                FBegin += static_cast<size_t>(lf - begin) + 1;
                if (FCarry.empty() && !FOverlong) return Take(std::string_view(begin, static_cast<size_t>(lf - begin)), Line);
                Carry(begin, static_cast<size_t>(lf - begin));
                FCarryTaken = true;
                return Take(FCarry, Line);
            }
            Carry(begin, FEnd - FBegin);
            FBegin = FEnd = 0;
            if (FAtEnd) break;
            FEnd = std::fread(FBuffer.data(), 1, FBuffer.size(), FStream);
            FAtEnd = FEnd == 0;
        }
        if (FCarry.empty() && !FOverlong) return false;  // the input ended with a line feed, or was empty
        FCarryTaken = true;
        return Take(FCarry, Line);
    }

    bool Overlong() const noexcept { return FOverlong; }
    bool Failed() const { return std::ferror(FStream) != 0; }

private:
    bool Take(std::string_view Text, std::string_view& Line) {
        if (!Text.empty() && Text.back() == '\r') Text.remove_suffix(1);
        FOverlong |= Text.size() > FMaxLine;
        Line = FOverlong ? std::string_view() : Text;
        return true;
    }
    // Keeps the part of a line that spans buffer refills, up to the bound
    // (a CR after it is still a line break).
    void Carry(const char* Begin, size_t Size) {
        if (FOverlong) return;
        if (FCarry.size() + Size > FMaxLine + 1) {
            FOverlong = true;
            FCarry.clear();
            FCarry.shrink_to_fit();
            return;
        }
        FCarry.append(Begin, Size);
    }

    FILE* FStream;
    size_t FMaxLine;
    std::vector<char> FBuffer;
    size_t FBegin = 0;
    size_t FEnd = 0;
    bool FAtEnd = false;
    bool FOverlong = false;
    std::string FCarry;  // a line that spans buffer refills
    bool FCarryTaken = false;
};

}  // namespace vantrel::cli
