#include "model/StoredText.h"

#include "model/Symbol.h"

namespace storedtext {

std::optional<uint8_t> CharsetFor(uint8_t charset, const QString& text) {
    if (CharsetHolds(charset, text)) return charset;
    if (charset != kDefaultCharset) return std::nullopt;
    for (const uint8_t other : {uint8_t(161), uint8_t(0)})
        if (CharsetHolds(other, text)) return other;
    return std::nullopt;
}

QString Unstorable(uint8_t charset, const QString& text) {
    if (CharsetFor(charset, text)) return {};
    // The shortest beginning that cannot be stored ends with the character to blame.
    for (qsizetype start = 0; start < text.size();) {
        const bool pair =
            text[start].isHighSurrogate() && start + 1 < text.size() && text[start + 1].isLowSurrogate();
        const qsizetype end = start + (pair ? 2 : 1);
        if (!CharsetFor(charset, text.left(end))) return text.mid(start, end - start);
        start = end;
    }
    return {};
}

QString RefusalMessage(uint8_t charset, const QString& character) {
    const int codePage = CharsetCodePage(charset);
    const QString where = charset == kDefaultCharset ? QStringLiteral("кодовые страницы 1251, 1253 и 1252")
                          : codePage == 0 ? QStringLiteral("набор символов Symbol")
                                          : QStringLiteral("кодовая страница %1").arg(codePage);
    return QStringLiteral("Символ «%1» нельзя сохранить в файле рисунка (%2).").arg(character, where);
}

QValidator::State TValidator::validate(QString& input, int&) const {
    FRefused = Unstorable(FCharset, input);
    return FRefused.isEmpty() ? Acceptable : Invalid;
}

} // namespace storedtext
