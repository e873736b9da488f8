// Every window in the three languages, empty and (port, trunk, misc) filled
// from the switch: each visible control is at least as large as it asks to
// be, so no caption, box or list is cut off. CTest runs this at scale 1 and 2.
#include "forms/backup/SettingsFile.h"
#include "tests/harness/ConfigSession.h"
#include "tests/harness/EveryWindow.h"
#include "tests/harness/WindowTest.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {

// An edit box's own hint is room for seventeen x's whatever it is for; what
// it must show is its text or, while empty, its placeholder.
int EditWidthNeeded(const QLineEdit* edit) {
    const QFontMetrics fm = edit->fontMetrics();
    const QString shown = edit->text().isEmpty() ? edit->placeholderText() : edit->text();
    const int chrome = edit->sizeHint().width() - 17 * fm.horizontalAdvance(QLatin1Char('x'));
    return chrome + fm.horizontalAdvance(shown);
}

// The size a control needs; a word-wrapped label takes the height its width
// gives it, and any width.
QSize Needed(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control); label && label->wordWrap())
        return {0, label->heightForWidth(label->width())};
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        return {EditWidthNeeded(edit), edit->sizeHint().height()};
    return control->sizeHint();
}

bool Checked(QWidget* control) {
    if (qobject_cast<QComboBox*>(control->parentWidget())) return false; // the box's own edit
    return qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control) ||
           qobject_cast<QLineEdit*>(control) || qobject_cast<QComboBox*>(control);
}

QString Describe(QWidget* control) {
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
    const QString name = control->objectName().isEmpty()
                             ? QString::fromLatin1(control->metaObject()->className())
                             : control->objectName();
    return QStringLiteral("%1 \"%2\"").arg(name, text.left(40));
}

// Each control of the window smaller than it needs, with what it has and
// needs. Controls inside a panel still hidden count: the panel shows them once
// the switch's screen is read.
QStringList CutControls(QWidget* window) {
    QStringList cut;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!Checked(control) || control->isHidden()) continue;
        const QSize needed = Needed(control);
        const QSize has = control->size();
        if (has.width() < needed.width() || has.height() < needed.height())
            cut << QStringLiteral("%1: %2x%3, needs %4x%5")
                       .arg(Describe(control))
                       .arg(has.width())
                       .arg(has.height())
                       .arg(needed.width())
                       .arg(needed.height());
    }
    return cut;
}

QString Where(const char* window, int language) {
    return QStringLiteral("%1, %2, scale %3")
        .arg(QLatin1String(window), QLatin1String(steps::kLanguageNames[language]),
             qEnvironmentVariable("QT_SCALE_FACTOR", "1"));
}

const struct {
    const char* name;
    bool (ConfigSession::*open)();
    QWidget* (*shown)();
} kFilled[] = {{"port, filled", &ConfigSession::OpenPortWindow,
                []() -> QWidget* { return frmPortConfig.get(); }},
               {"trunk, filled", &ConfigSession::OpenTrunkWindow,
                []() -> QWidget* { return frmTrkConfig.get(); }},
               {"misc, filled", &ConfigSession::OpenMiscWindow,
                []() -> QWidget* { return frmMiscConfigX.get(); }}};

} // namespace

class LayoutFitTest : public QObject {
    Q_OBJECT
    MessageBoxes boxes_;

private slots:
    void initTestCase() { InstallSettingsFileButtons(); }
    void init() {
        steps::BeginCase(boxes_);
        ResetLanguageState();
    }
    void cleanup() { steps::EndSession(); }

    void controlsFit_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("language");
        for (int w = 0; w < int(std::size(steps::kEveryWindow)); ++w)
            for (int l = 0; l < 3; ++l)
                QTest::addRow("%s, %s", steps::kEveryWindow[w].name, steps::kLanguageNames[l])
                    << w << l;
    }
    // Every control that does not fit is named, with what it has and needs.
    void controlsFit() {
        QFETCH(int, window);
        QFETCH(int, language);
        steps::ShowWelcome(0);
        frmWelcome->cboLang->setCurrentIndex(language);
        TForm* w = steps::kEveryWindow[window].make();
        QVERIFY(w);
        w->Show();
        QCoreApplication::processEvents();
        const QStringList cut = CutControls(w);
        // Every window's picture, named after it, "-x2" at scale 2; the gallery
        // takes those that look the same without a switch behind them (the
        // start window and the menus).
        QString picture = QString::fromLatin1(steps::kEveryWindow[window].name).toLower();
        picture.replace(QLatin1Char(' '), QLatin1Char('-'));
        if (qEnvironmentVariable("QT_SCALE_FACTOR") == QLatin1String("2"))
            picture += QStringLiteral("-x2");
        steps::SaveScreenshot(w, picture, language);
        QVERIFY2(cut.isEmpty(), qPrintable(Where(steps::kEveryWindow[window].name, language) +
                                           QStringLiteral(": ") + cut.join(QStringLiteral("; "))));
    }

    // The port grid's rows, the trunk grid, the misc window's values.
    void filledWindowsFit_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("language");
        for (int w = 0; w < 3; ++w)
            for (int l = 0; l < 3; ++l)
                QTest::addRow("%s, %s", kFilled[w].name, steps::kLanguageNames[l]) << w << l;
    }
    void filledWindowsFit() {
        QFETCH(int, window);
        QFETCH(int, language);
        ConfigSession s;
        QVERIFY(s.Open({}, language) && (s.*kFilled[window].open)());
        const QStringList cut = CutControls(kFilled[window].shown());
        QVERIFY2(cut.isEmpty(), qPrintable(Where(kFilled[window].name, language) +
                                           QStringLiteral(": ") + cut.join(QStringLiteral("; "))));
    }
};

QTEST_MAIN(LayoutFitTest)
#include "tst_layout_fit.moc"
