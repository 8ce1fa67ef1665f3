// Choosing the language and the embedded English translation itself.
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include "EnglishFixture.h"
#include "ScreenshotMode.h"

namespace {

struct LanguageCase {
    QStringList args;
    QLocale system;
    bool ok;
    UiLanguage expected;
    QStringList rest;  // args after the option is taken
};

TEST(TakeLanguageTest, OptionFirstThenTheSystemLocale) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale british(QLocale::English, QLocale::UnitedKingdom);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    const QLocale german(QLocale::German, QLocale::Germany);
    const LanguageCase cases[] = {
        {{}, japanese, true, UiLanguage::Japanese, {}},
        {{}, english, true, UiLanguage::English, {}},
        {{}, british, true, UiLanguage::English, {}},
        {{}, german, true, UiLanguage::Japanese, {}},
        {{}, QLocale::c(), true, UiLanguage::Japanese, {}},
        {{"--lang", "en"}, japanese, true, UiLanguage::English, {}},
        {{"--lang", "ja"}, english, true, UiLanguage::Japanese, {}},
        {{"run.vltd", "--lang", "en", "--x"},
         japanese,
         true,
         UiLanguage::English,
         {"run.vltd", "--x"}},
        {{"--lang"}, english, false, UiLanguage::Japanese, {"--lang"}},
        {{"--lang", "fr"}, english, false, UiLanguage::Japanese, {"--lang", "fr"}},
        {{"--lang", "EN"}, english, false, UiLanguage::Japanese, {"--lang", "EN"}},
    };
    for (const LanguageCase& c : cases) {
        QStringList args = c.args;
        UiLanguage language = UiLanguage::Japanese;
        QString error;
        const std::string what = c.args.join(' ').toStdString() + " / " +
                                 QLocale::languageToString(c.system.language()).toStdString();
        ASSERT_EQ(TakeLanguage(args, c.system, language, error), c.ok) << what;
        EXPECT_EQ(args, c.rest) << what;
        if (c.ok) {
            EXPECT_EQ(language, c.expected) << what;
            EXPECT_TRUE(error.isEmpty()) << what;
        } else {
            EXPECT_TRUE(error.startsWith("--lang")) << what;
        }
    }
}

// Every message of translations/vl_tool_en.ts is finished, keeps the
// placeholders and tab of its source, and the embedded translation returns it.
TEST(EnglishTranslationTest, EveryTextIsTranslatedAndEmbedded) {
    QTranslator translator;
    ASSERT_TRUE(LoadEnglishTranslation(translator));
    EXPECT_EQ(translator.language(), "en");

    QFile ts(QStringLiteral(VL_TRANSLATIONS_DIR "/vl_tool_en.ts"));
    ASSERT_TRUE(ts.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(ts.readAll());
    QString context;
    QString source;
    int messages = 0;
    static const QRegularExpression markers(R"(%\d|\t)");
    const auto markersOf = [](const QString& text) {
        QStringList found;
        for (auto it = markers.globalMatch(text); it.hasNext();)
            found << it.next().captured(0);
        return found;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value("type").toString();
            const QString text = xml.readElementText();
            const std::string where = context.toStdString() + ": " + source.toStdString();
            ++messages;
            EXPECT_TRUE(type.isEmpty()) << where << " is " << type.toStdString();
            EXPECT_FALSE(text.isEmpty()) << where;
            EXPECT_EQ(markersOf(text), markersOf(source)) << where;
            EXPECT_EQ(
                translator.translate(context.toUtf8().constData(), source.toUtf8().constData()),
                text)
                << where;
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GE(messages, 80);
}

}  // namespace

namespace {

TEST(ScreenshotOptionsTest, CursorTakesAPointOfTheGraphPanel) {
    struct Case {
        QStringList args;
        bool ok;
        std::optional<QPoint> cursor;
    };
    const Case cases[] = {
        {{"--screenshot", "a.png"}, true, std::nullopt},
        {{"--screenshot", "a.png", "--cursor", "165,385"}, true, QPoint(165, 385)},
        {{"--cursor", "0,0", "--lang", "en"}, true, QPoint(0, 0)},
        {{"--cursor", "165"}, false, std::nullopt},
        {{"--cursor", "1,2,3"}, false, std::nullopt},
        {{"--cursor", "x,2"}, false, std::nullopt},
        {{"--cursor"}, false, std::nullopt},
    };
    for (const Case& c : cases) {
        QStringList args = c.args;
        ScreenshotOptions options;
        QString error;
        const std::string what = c.args.join(' ').toStdString();
        ASSERT_EQ(options.take(args, error), c.ok) << what << ": " << error.toStdString();
        if (c.ok) {
            EXPECT_EQ(options.cursor, c.cursor) << what;
            EXPECT_FALSE(args.contains("--cursor")) << what;
        } else {
            EXPECT_TRUE(error.startsWith("--cursor")) << what;
        }
    }
}

}  // namespace

namespace {

// Qt's own dialogs speak Japanese with the Japanese window: file dialogs and the standard
// buttons come from Qt's translation, English needs none.
TEST(QtTranslationTest, JapaneseWindowLoadsQtsOwnTexts) {
    QTranslator japanese;
    ASSERT_TRUE(LoadQtTranslation(japanese, UiLanguage::Japanese));
    EXPECT_EQ(japanese.language(), "ja");
    QTranslator english;
    EXPECT_FALSE(LoadQtTranslation(english, UiLanguage::English));

    const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
    const auto lookIn = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
    ASSERT_EQ(cancel(), "Cancel");
    ASSERT_TRUE(InstallLanguage(UiLanguage::Japanese));
    EXPECT_EQ(cancel(), QString::fromUtf8("キャンセル"));
    EXPECT_NE(lookIn(), "Look in:");
    EXPECT_TRUE(lookIn().contains(QRegularExpression("[\\x{3040}-\\x{30ff}\\x{4e00}-\\x{9fff}]")))
        << lookIn().toStdString();
    // The window's own texts are the Japanese sources: Qt's translation leaves them alone.
    EXPECT_EQ(QCoreApplication::translate("CVL_ToolView", "更新"), QString::fromUtf8("更新"));
    for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(t);
        delete t;
    }
    EXPECT_EQ(cancel(), "Cancel");
}

}  // namespace
