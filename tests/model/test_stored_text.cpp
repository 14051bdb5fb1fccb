#include "model/StoredText.h"

#include <gtest/gtest.h>

#include <optional>

using namespace Qt::StringLiterals;
using storedtext::CharsetFor;
using storedtext::Unstorable;

TEST(StoredText, TheCharsetThatStoresATextAndTheCharacterToBlame) {
    const struct {
        uint8_t Charset;
        QString Text;
        std::optional<uint8_t> StoredWith;
        QString Blamed;
    } cases[] = {
        {storedtext::kFigureCharset, u"Имя x2 №"_s, 204, {}},
        {storedtext::kFigureCharset, u"abΔc"_s, std::nullopt, u"Δ"_s},
        {storedtext::kFigureCharset, u"a😀"_s, std::nullopt, u"😀"_s}, // the whole code point
        {storedtext::kDefaultCharset, u"Жёлтый"_s, 1, {}},
        {storedtext::kDefaultCharset, u"Δω"_s, 161, {}},
        {storedtext::kDefaultCharset, u"é"_s, 0, {}},
        {storedtext::kDefaultCharset, u"ΔЖ"_s, std::nullopt, u"Ж"_s},
        {161, u"Ж"_s, std::nullopt, u"Ж"_s}, // only the default set looks for another set
        {2, u"αβ∞"_s, 2, {}},                // the symbol font's letters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(CharsetFor(c.Charset, c.Text), c.StoredWith);
        EXPECT_EQ(Unstorable(c.Charset, c.Text), c.Blamed);
    }
}

TEST(StoredText, TheValidatorRefusesWhatTheCharsetCannotStoreAndSaysWhich) {
    storedtext::TValidator validator(storedtext::kFigureCharset);
    QString text = u"Имя"_s;
    int pos = 0;
    EXPECT_EQ(validator.validate(text, pos), QValidator::Acceptable);
    text = u"ИмяΔ"_s;
    EXPECT_EQ(validator.validate(text, pos), QValidator::Invalid);
    EXPECT_EQ(validator.Refusal(), u"Символ «Δ» нельзя сохранить в файле рисунка (кодовая страница 1251)."_s);
    validator.SetCharset(storedtext::kDefaultCharset);
    EXPECT_EQ(validator.validate(text, pos), QValidator::Invalid); // no set holds Cyrillic and Greek
    text = u"Δ"_s;
    EXPECT_EQ(validator.validate(text, pos), QValidator::Acceptable);
}
