// VantrelTranslate: the translate command behind the C ABI, for the faces
// that cannot call C++ (the Python package, the browser page's binding).
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "../translate/TranslateCommand.h"
#include "StreamInternal.h"
#include "vantrel/vantrel.h"


namespace {

// A zero-terminated copy of Text as a stream; null when memory runs out.
VantrelStream* TextStream(const std::string& Text) noexcept {
    if (Text.size() >= UINT32_MAX) return nullptr;
    char* data = static_cast<char*>(std::malloc(Text.size() + 1));
    if (!data) return nullptr;
    std::memcpy(data, Text.data(), Text.size());
    data[Text.size()] = '\0';
    return vantrel::NewStream(data, static_cast<uint32_t>(Text.size() + 1));
}

// A unit of the translate command's map into the stream's.
void AddUnit(vantrel::TStreamExtras& Extras, vantrel::TUnitMap& Map) {
    VantrelMapUnit unit{};
    unit.FirstLine = Map.FirstLine;
    unit.LastLine = Map.LastLine;
    unit.Octets = Map.Octets;
    unit.ApduOffset = Map.ApduOffset;
    unit.HexToXml = Map.HexToXml ? 1 : 0;
    const bool placed = Map.Sources.Size() == Map.Octets && Map.Octets > 0;
    vantrel::AddMapUnit(Extras, std::move(Map.Entries), unit, placed ? Map.Sources.First.data() : nullptr,
                        placed ? Map.Sources.End.data() : nullptr);
}

}  // namespace

extern "C" int32_t VantrelTranslate(const char* Text, uint32_t Size, const VantrelKeys* Keys, uint32_t Flags,
                                    VantrelStream** Output, VantrelStream** Description, VantrelTranslation* Result) {
    if (Output) *Output = nullptr;
    if (Description) *Description = nullptr;
    VantrelTranslation info{VANTREL_NOT_TRANSLATED, 1, 1, 0, 0, 0};
    std::string text;
    std::vector<std::string> notes;
    std::string field;
    std::vector<vantrel::TUnitMap> maps;
    try {
        const bool map = (Flags & VANTREL_MAP) != 0;
        const vantrel::TTranslateOptions options{.DescribeFrame = (Flags & VANTREL_DESCRIBE_FRAME) != 0,
                                                 .Annotate = (Flags & VANTREL_ANNOTATE) != 0,
                                                 .Keys = Keys,
                                                 .Map = map,
                                                 .MapSources = map};
        vantrel::TTranslateOutcome outcome =
            vantrel::TranslateText(std::string_view(Text ? Text : "", Text ? Size : 0), options);
        info.Kind = static_cast<int32_t>(outcome.Kind);
        info.HexToXml = outcome.HexToXml;
        info.Line = outcome.Line;
        info.Column = outcome.Column;
        info.Position = outcome.Position;
        info.FrameWithoutApdu = outcome.FrameWithoutApdu;
        if (Description && !outcome.FrameDescription.empty()) {
            std::string lines;
            for (const std::string& line : outcome.FrameDescription) (lines += line) += '\n';
            *Description = TextStream(lines);
        }
        text = std::move(outcome.Text);
        notes = std::move(outcome.Notes);
        if (outcome.Kind != vantrel::TTranslateOutcome::Translated) field = outcome.Field;
        if (outcome.Kind == vantrel::TTranslateOutcome::Translated) maps = std::move(outcome.Maps);
    } catch (const std::bad_alloc&) {
        info.Kind = VANTREL_NOT_TRANSLATED;
        text = "Out of memory";
        notes.clear();
        field.clear();
        maps.clear();
    }
    if (Output) {
        *Output = TextStream(text);
        if (*Output && (!notes.empty() || !field.empty() || !maps.empty())) {
            try {
                vantrel::TStreamExtras& extras = vantrel::Extras(**Output);
                extras.Notes = std::move(notes);
                extras.Field = std::move(field);
                for (vantrel::TUnitMap& map : maps) AddUnit(extras, map);
            } catch (const std::bad_alloc&) {
                VantrelStreamFree(*Output);
                *Output = nullptr;
            }
        }
    }
    if (Result) *Result = info;
    return info.Kind;
}

static_assert(int{vantrel::TTranslateOutcome::Translated} == VANTREL_TRANSLATED &&
              int{vantrel::TTranslateOutcome::EntryFailure} == VANTREL_ENTRY_FAILURE &&
              int{vantrel::TTranslateOutcome::HexFailure} == VANTREL_HEX_FAILURE &&
              int{vantrel::TTranslateOutcome::Beep} == VANTREL_NOT_TRANSLATED);
