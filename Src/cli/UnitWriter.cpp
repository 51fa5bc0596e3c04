#include "UnitWriter.h"

#include <nlohmann/json.hpp>

#include "TerminalText.h"

namespace vantrel::cli {

using K = TTranslateOutcome::TKind;

std::string_view RootElementName(std::string_view Xml) noexcept {
    size_t at = Xml.find('<');
    while (at != std::string_view::npos && at + 1 < Xml.size() && (Xml[at + 1] == '?' || Xml[at + 1] == '!'))
        at = Xml.find('<', at + 1);
    if (at == std::string_view::npos) return {};
    size_t end = at + 1;
    while (end < Xml.size() && Xml[end] != ' ' && Xml[end] != '>' && Xml[end] != '/' && Xml[end] != '\r' &&
           Xml[end] != '\n' && Xml[end] != '\t')
        ++end;
    return Xml.substr(at + 1, end - at - 1);
}

namespace {

// The map of one APDU (--map): where it was unwrapped, and its fields.
void AddMap(nlohmann::ordered_json& Object, const TUnitMap& Map) {
    if (Map.ApduOffset != VANTREL_MAP_NONE) Object["apdu_offset"] = Map.ApduOffset;
    nlohmann::ordered_json fields = nlohmann::ordered_json::array();
    for (const VantrelMapEntry& e : Map.Entries) {
        nlohmann::ordered_json f;
        f["element"] = e.Element;
        f["line"] = e.Line;
        f["offset"] = e.Offset;
        f["length"] = e.Length;
        f["depth"] = e.Depth;
        if (e.Plaintext != VANTREL_MAP_NONE) {
            f["plaintext"] = true;  // the offset counts in the plaintext of the ciphered field
            f["ciphered_in"] = e.Plaintext;
        }
        fields.push_back(std::move(f));
    }
    Object["fields"] = std::move(fields);
}

// " [label]" after a unit's head line, when it has a label. Text from the
// input is escaped for the terminal (JSON escapes its own).
void AppendLabel(std::string& Head, const TUnitPlace& Place) {
    if (Place.Label.empty()) return;
    Head += " [";
    AppendTerminalSafe(Head, Place.Label);
    Head += ']';
}

}  // namespace

void TUnitWriter::Write(const TUnitPlace& Place, const TTranslateOutcome& Outcome) {
    const bool skipped = Outcome.Kind == K::Beep && Outcome.FrameWithoutApdu;
    ++(Outcome.Kind == K::Translated ? FTranslated : skipped ? FSkipped : FFailed);
    if (FJson) return WriteJson(Place, &Outcome, {});

    FHead.assign(Place.Where);
    FHead += ' ';
    FHead += std::to_string(Place.Number);
    FHead += ':';
    if (Outcome.Kind == K::Translated) {
        if (!Place.Lines.empty()) {
            FHead += " from ";
            FHead += Place.Lines;
        }
        AppendLabel(FHead, Place);
        PutLine(FHead);
        PutDescription(Outcome);
        if (Outcome.HexToXml) Put(Outcome.Text);
        else PutLine(Outcome.Text);
        return;
    }
    FHead += ' ';
    switch (Outcome.Kind) {
    case K::EntryFailure:
        FHead += Outcome.HexToXml ? "error at octet " : "error at column ";
        FHead += std::to_string(Outcome.HexToXml ? Outcome.Position : Outcome.Column);
        FHead += ": ";
        break;
    case K::HexFailure:
        FHead += "error: ";
        break;
    default:
        FHead += skipped ? "skipped: " : "not translated: ";
        break;
    }
    AppendTerminalSafe(FHead, Outcome.Text);
    AppendLabel(FHead, Place);
    PutLine(FHead);
    PutDescription(Outcome);
}

void TUnitWriter::PutDescription(const TTranslateOutcome& Outcome) {
    for (const std::string& line : Outcome.FrameDescription) {
        FHead.clear();
        AppendTerminalSafe(FHead, line);
        PutLine(FHead);
    }
}

void TUnitWriter::WriteJoined(const join::TJoinedUnit& Unit, std::string_view Where) {
    TUnitPlace place;
    place.Where = Where;
    place.Number = Unit.Number;
    place.Lines = Unit.FromText;
    place.Input = "blocks";
    place.JoinedFrom = &Unit.From;
    if (Unit.Joined) ++FTranslated;
    if (FJson) return WriteJson(place, Unit.Joined ? &Unit.Outcome : nullptr, Unit.Message, Unit.Comment);
    FHead.assign(Where);
    FHead += ' ';
    FHead += std::to_string(Unit.Number);
    FHead += Unit.Joined ? ": joined from " : ": not joined: ";
    FHead += Unit.Joined ? Unit.FromText : Unit.Message;
    PutLine(FHead);
    if (!Unit.Joined) return;
    Put(Unit.Comment);
    Put(Unit.Outcome.Text);
}

void TUnitWriter::WriteProblem(const TUnitPlace& Place, std::string_view Message) {
    ++FFailed;
    if (FJson) return WriteJson(Place, nullptr, Message);
    FHead.assign(Place.Where);
    FHead += ' ';
    FHead += std::to_string(Place.Number);
    FHead += ": error: ";
    AppendTerminalSafe(FHead, Message);
    PutLine(FHead);
}

void TUnitWriter::WriteJson(const TUnitPlace& Place, const TTranslateOutcome* Outcome, std::string_view Problem,
                            std::string_view Before) {
    nlohmann::ordered_json o;
    if (Place.Where == "packet") {
        o["packet"] = Place.Number;
        if (!Place.Time.empty()) o["time"] = Place.Time;
        if (!Place.Source.empty()) o["source"] = Place.Source;
        if (!Place.Destination.empty()) o["destination"] = Place.Destination;
    } else if (Place.Where == "line") {
        o["line"] = Place.Number;
        if (Place.FirstLine != 0 && Place.FirstLine != Place.Number) o["first_line"] = Place.FirstLine;
    }
    if (Place.Where == "input") o["source"] = Place.Label;
    else if (!Place.Label.empty()) o["label"] = Place.Label;
    if (!Place.Input.empty()) o["input"] = Place.Input;
    if (Place.JoinedFrom) o["joined_from"] = *Place.JoinedFrom;
    if (!Outcome && Place.JoinedFrom) {
        o["not_joined"] = Problem;
    } else if (!Outcome) {
        o["error"] = {{"message", Problem}};
    } else if (Outcome->Kind == K::Translated) {
        if (Outcome->HexToXml) {
            o["apdu"] = RootElementName(Outcome->Text);
            o["xml"] = Before.empty() ? Outcome->Text : std::string(Before) + Outcome->Text;
        } else {
            o["hex"] = Outcome->Text;
        }
    } else if (Outcome->Kind == K::Beep && Outcome->FrameWithoutApdu) {
        o["skipped"] = Outcome->Text;
    } else {
        nlohmann::ordered_json error;
        error["message"] = Outcome->Text;
        if (Outcome->Kind == K::EntryFailure) {
            error["position"] = Outcome->HexToXml ? Outcome->Position : Outcome->Column;
            if (!Outcome->Field.empty()) error["field"] = Outcome->Field;
        }
        o["error"] = std::move(error);
    }
    if (Outcome && !Outcome->FrameDescription.empty()) o["frame"] = Outcome->FrameDescription;
    if (Outcome && !Outcome->Notes.empty()) o["notes"] = Outcome->Notes;
    if (Outcome && Outcome->Kind == K::Translated && Outcome->Maps.size() == 1) {
        AddMap(o, Outcome->Maps.front());
    } else if (Outcome && Outcome->Kind == K::Translated && !Outcome->Maps.empty()) {
        nlohmann::ordered_json units = nlohmann::ordered_json::array();
        for (const TUnitMap& map : Outcome->Maps) {
            nlohmann::ordered_json unit;
            AddMap(unit, map);
            units.push_back(std::move(unit));
        }
        o["units"] = std::move(units);
    }
    PutLine(o.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

}  // namespace vantrel::cli
