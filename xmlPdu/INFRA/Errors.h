// Failures of the translator. Every failure is an exception derived from
// EVantrelError carrying its message; the entry points are the only places
// that catch them and turn them into an error record.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace vantrel {

class EVantrelError : public std::exception {
public:
    explicit EVantrelError(std::string Message) : FMessage(std::move(Message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }

private:
    std::string FMessage;
};

// A failure of the XML reader, with the column (0-based) and line (1-based)
// of the item that was being read.
class EXMLError : public EVantrelError {
public:
    EXMLError(std::string Message, int aPosX, int aPosY)
        : EVantrelError(std::move(Message)), PosX(aPosX), PosY(aPosY) {}
    int PosX;
    int PosY;
};

// A failure of the lexical analyser; the message carries "(column:line) ".
class ELexError : public EVantrelError {
public:
    ELexError(std::string Message, int aPosX, int aPosY)
        : EVantrelError(std::move(Message)), PosX(aPosX), PosY(aPosY) {}
    // Builds the message "(%d:%d) %s" from a 0-based column and line.
    static ELexError CreateWithPos(const std::string& Message, int aPosX, int aPosY);
    int PosX;
    int PosY;
};

// A text that does not convert: hex digits, numbers.
class EConvertError : public EVantrelError {
public:
    using EVantrelError::EVantrelError;
};

// An internal consistency check that failed: a caller misused an operation.
class EAssertionFailed : public EVantrelError {
public:
    using EVantrelError::EVantrelError;
};

// An index outside a list.
class EArgumentOutOfRange : public EVantrelError {
public:
    EArgumentOutOfRange() : EVantrelError("Argument out of range") {}
};

// A structural error of an HDLC frame.
class EFrame : public EVantrelError {
public:
    using EVantrelError::EVantrelError;
};

inline ELexError ELexError::CreateWithPos(const std::string& Message, int aPosX, int aPosY) {
    return ELexError("(" + std::to_string(aPosX + 1) + ":" + std::to_string(aPosY + 1) + ") " + Message,
                     aPosX + 1, aPosY + 1);
}

}  // namespace vantrel
