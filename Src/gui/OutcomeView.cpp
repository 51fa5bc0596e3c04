#include "OutcomeView.h"

#include <QStringList>

#include <cstdint>

#include "Src/translate/LlcHeader.h"

namespace vantrel {

namespace {

bool IsBlank(char c) noexcept { return c == '\r' || c == '\n' || c == ' '; }
bool IsHexSeparator(char c) noexcept { return IsBlank(c) || c == '-'; }
bool IsContinuation(char c) noexcept { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Where the translate command starts reading: after leading blanks.
size_t TextStart(std::string_view Text) noexcept {
    size_t start = 0;
    while (start < Text.size() && IsBlank(Text[start])) ++start;
    return start;
}

bool IsFrame(std::string_view Text) noexcept {
    const std::string_view text = Text.substr(TextStart(Text));
    return text.starts_with("7E") || text.starts_with("7e");
}

// The offsets of the hex digits of SourceText, in order (separators skipped).
template <typename TVisit>
void ForEachDigit(std::string_view Text, TVisit Visit) {
    for (size_t i = TextStart(Text); i < Text.size(); ++i)
        if (!IsHexSeparator(Text[i]) && !Visit(i)) return;
}

int64_t OctetCount(std::string_view Text) {
    int64_t digits = 0;
    ForEachDigit(Text, [&](size_t) {
        ++digits;
        return true;
    });
    return digits / 2;
}

// The octets of Text before the APDU: an LLC header copied with it.
int64_t OctetsBeforeApdu(std::string_view Text) {
    std::string first;
    int64_t digits = 0;
    int high = 0;
    ForEachDigit(Text, [&](size_t Offset) {
        const char c = Text[Offset];
        const int value = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (value < 0) return false;
        if (++digits % 2) high = value;
        else first += static_cast<char>(high << 4 | value);
        return first.size() < kLlcHeaderSize;
    });
    return StartsWithLlcHeader(first) ? static_cast<int64_t>(kLlcHeaderSize) : 0;
}

// The byte offset in Text where an XML failure at Position lies.
size_t XmlOffset(std::string_view Text, int Position) {
    const size_t offset = TextStart(Text) + static_cast<size_t>(Position > 0 ? Position : 0);
    return offset < Text.size() ? offset : Text.size();
}

}  // namespace

QString FailurePlace(std::string_view SourceText, const TTranslateOutcome& Outcome) {
    if (Outcome.Kind != TTranslateOutcome::EntryFailure) return {};
    QString place;
    if (Outcome.HexToXml) {
        if (Outcome.Position <= 0) return {};
        place = QStringLiteral("at octet %1").arg(Outcome.Position);
        if (!IsFrame(SourceText)) {
            const int64_t before = OctetsBeforeApdu(SourceText);
            if (before > 0) place += QStringLiteral(" of the APDU after the LLC header");
            if (Outcome.Position + before > OctetCount(SourceText)) place += QStringLiteral(", after the last octet");
        }
    } else {
        const size_t offset = XmlOffset(SourceText, Outcome.Position);
        int line = 1;
        int column = 1;
        for (size_t i = 0; i < offset; ++i) {
            if (SourceText[i] == '\n') {
                ++line;
                column = 1;
            } else if (SourceText[i] != '\r' && !IsContinuation(SourceText[i])) {
                ++column;
            }
        }
        place = QStringLiteral("at line %1, column %2").arg(line).arg(column);
    }
    if (!Outcome.Field.empty()) place += QStringLiteral(", reading ") + QString::fromStdString(Outcome.Field);
    return place;
}

std::pair<long, long> FailureRange(std::string_view SourceText, const TTranslateOutcome& Outcome) {
    if (Outcome.Kind != TTranslateOutcome::EntryFailure) return {-1, -1};
    if (Outcome.HexToXml) {
        if (IsFrame(SourceText) || Outcome.Position <= 0) return {-1, -1};
        // The digits of the octet, or of the last octet when decoding ran out.
        const int64_t count = OctetCount(SourceText);
        if (count == 0) return {-1, -1};
        const int64_t position = Outcome.Position + OctetsBeforeApdu(SourceText);
        const int64_t octet = position <= count ? position : count;
        const int64_t first = 2 * (octet - 1);
        int64_t digit = 0;
        long start = -1;
        long end = -1;
        ForEachDigit(SourceText, [&](size_t Offset) {
            if (digit == first) start = static_cast<long>(Offset);
            if (digit == first + 1) end = static_cast<long>(Offset) + 1;
            return ++digit <= first + 1;
        });
        return start >= 0 && end > start ? std::pair{start, end} : std::pair{-1L, -1L};
    }
    // XML: from the place to the end of its tag, within the line.
    size_t start = XmlOffset(SourceText, Outcome.Position);
    if (start == SourceText.size() && start > 0) --start;
    size_t end = start;
    while (end < SourceText.size() && SourceText[end] != '>' && SourceText[end] != '\r' && SourceText[end] != '\n') ++end;
    if (end < SourceText.size() && SourceText[end] == '>') ++end;
    if (end == start && end < SourceText.size()) ++end;
    return end > start ? std::pair{static_cast<long>(start), static_cast<long>(end)} : std::pair{-1L, -1L};
}

TStatusLine StatusLineOf(const TTranslateOutcome& Outcome, const QString& Place, const QString& StalePane) {
    TStatusLine line;
    QStringList tip;
    switch (Outcome.Kind) {
        case TTranslateOutcome::Translated: {
            if (Outcome.Notes.empty()) return line;
            QStringList notes;
            for (const std::string& note : Outcome.Notes) notes << QString::fromStdString(note);
            line.Level = TStatusLine::slWarning;
            line.Text = (notes.size() == 1 ? QStringLiteral("Warning: ")
                                           : QStringLiteral("%1 warnings: ").arg(notes.size())) + notes.join(QStringLiteral("; "));
            tip = notes;
            break;
        }
        case TTranslateOutcome::EntryFailure: {
            const QString message = QString::fromStdString(Outcome.Text);
            line.Level = TStatusLine::slFailure;
            line.Text = Place.isEmpty() ? message : message + QStringLiteral(": ") + Place;
            tip << line.Text;
            break;
        }
        case TTranslateOutcome::HexFailure:
            line.Level = TStatusLine::slFailure;
            line.Text = QString::fromStdString(Outcome.Text);
            tip << line.Text;
            break;
        case TTranslateOutcome::Beep:
            line.Text = QString::fromStdString(Outcome.Text);
            if (!line.Text.isEmpty()) tip << line.Text;
            break;
    }
    if (!StalePane.isEmpty() && Outcome.Kind != TTranslateOutcome::Translated) {
        const QString stale = QStringLiteral("the %1 still shows the previous translation").arg(StalePane);
        line.Text = line.Text.isEmpty() ? stale.left(1).toUpper() + stale.mid(1) : line.Text + QStringLiteral(" \u2014 ") + stale;
        tip << QStringLiteral("The %1 still shows the previous translation, dimmed, until a translation replaces it or "
                              "you edit it.").arg(StalePane);
        if (line.Level == TStatusLine::slPlain) line.Level = TStatusLine::slWarning;
    }
    line.ToolTip = tip.join(QLatin1Char('\n'));
    return line;
}

QString FrameDescriptionText(const std::vector<std::string>& Lines, size_t MaxLines) {
    QStringList shown;
    const size_t count = Lines.size() < MaxLines ? Lines.size() : MaxLines;
    shown.reserve(static_cast<qsizetype>(count) + 1);
    for (size_t i = 0; i < count; ++i) shown << QString::fromStdString(Lines[i]);
    if (Lines.size() > count)
        shown << QStringLiteral("... %1 more line%2 (vantrel-cli --frame shows them all)")
                     .arg(Lines.size() - count)
                     .arg(Lines.size() - count == 1 ? QString() : QStringLiteral("s"));
    return shown.join(QLatin1Char('\n'));
}

QString FrameSummary(const std::vector<std::string>& Lines, int MaxChars) {
    QString summary;
    for (const std::string& line : Lines) {
        const QString part = QString::fromStdString(line).simplified();
        if (part.isEmpty()) continue;
        if (!summary.isEmpty()) summary += QLatin1Char(' ');
        summary += part;
        if (summary.size() > MaxChars) return summary.left(MaxChars) + QStringLiteral("...");
    }
    return summary;
}

std::string_view LineOfText(std::string_view Text, int Line) {
    size_t start = 0;
    for (int line = 1; line < Line; ++line) {
        const size_t end = Text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) return {};
        start = end + (Text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    if (Line < 1 || start > Text.size()) return {};
    const size_t end = Text.find_first_of("\r\n", start);
    return Text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

QString LineMeaning(std::string_view Line) {
    // The annotator appends " <!-- text -->" to the line of the element.
    constexpr std::string_view kOpen = " <!-- ";
    constexpr std::string_view kClose = " -->";
    if (!Line.ends_with(kClose)) return {};
    const size_t open = Line.rfind(kOpen);
    if (open == std::string_view::npos || open == 0 || Line[open - 1] != '>' || open + kOpen.size() > Line.size() - kClose.size())
        return {};
    const std::string_view text = Line.substr(open + kOpen.size(), Line.size() - kClose.size() - open - kOpen.size());
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string SpacedHex(std::string_view Hex) {
    std::string spaced;
    if (Hex.empty()) return spaced;
    spaced.reserve(Hex.size() + Hex.size() / 2);
    for (size_t i = 0; i < Hex.size(); i += 2) {
        if (i > 0) spaced += ' ';
        spaced.append(Hex.substr(i, 2));
    }
    return spaced;
}

}  // namespace vantrel
