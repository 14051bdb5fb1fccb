// Text the user types that a file stores: the figure's texts (graph names, legend and marker texts,
// designations, captions) go into the file in cp1251, a symbol element's text in the code page of
// its character set. Fields refuse what their code page cannot hold where it is typed, so what the
// user sees is what is saved.
#pragma once

#include <QString>
#include <QValidator>
#include <cstdint>
#include <optional>

namespace storedtext {

// The character set whose code page (cp1251) stores the figure's texts.
inline constexpr uint8_t kFigureCharset = 204;
// A symbol element's "Default" set: stored in cp1251 unless another set is chosen for its text.
inline constexpr uint8_t kDefaultCharset = 1;

// The character set that stores the text: the set itself when its code page holds the text; for the
// default set otherwise the first of Greek (161) and ANSI (0) whose code page does; none when none
// does.
std::optional<uint8_t> CharsetFor(uint8_t charset, const QString& text);
// The first character (a whole code point) that keeps the text from being stored in the set as
// CharsetFor chooses it; empty when the whole text can be stored.
QString Unstorable(uint8_t charset, const QString& text);
// Why a character is refused, in a short sentence.
QString RefusalMessage(uint8_t charset, const QString& character);

// Refuses text with a character the set cannot store; remembers the refused character for the
// message.
class TValidator : public QValidator {
public:
    explicit TValidator(uint8_t charset, QObject* parent = nullptr) : QValidator(parent), FCharset(charset) {}
    void SetCharset(uint8_t charset) { FCharset = charset; }
    uint8_t Charset() const { return FCharset; }
    State validate(QString& input, int& pos) const override;
    // The message about the character refused last.
    QString Refusal() const { return RefusalMessage(FCharset, FRefused); }

private:
    uint8_t FCharset;
    mutable QString FRefused;
};

} // namespace storedtext
