// The trunk window's controls and their placement: the trunk check boxes in
// a column on the left, beside them one narrow group box per port holding
// that port's seven radio buttons, one per trunk row, then the notes.
#include "forms/base/Messageform.h"
#include "forms/trunk/Trunkconfigform.h"

#include "lang/Language.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kWidth = 820;
constexpr int kGridLeft = 112;
constexpr int kGridTop = 78;
constexpr int kBoxWidth = 26;
constexpr int kBoxTitle = 22; // the port label above the first row
constexpr int kRowStep = 24;
constexpr int kBoxHeight = kBoxTitle + kTrunks * kRowStep + 4;
constexpr int kNotesTop = kGridTop + kBoxHeight + 16;
constexpr int kNoteLine = 19;

QString BoxName(int port) {
    if (port >= kFirstModulePort) return QStringLiteral("gbxM%1").arg(port - kFirstModulePort + 1);
    return QStringLiteral("gbxP%1").arg(port, 2, 10, QLatin1Char('0'));
}

QString BoxTitle(int port) {
    if (port >= kFirstModulePort) return QStringLiteral("M%1").arg(port - kFirstModulePort + 1);
    return QStringLiteral("%1").arg(port, 2, 10, QLatin1Char('0'));
}

} // namespace

QLabel* TfrmTrkConfig::label(int n) const {
    return findChild<QLabel*>(QStringLiteral("Label%1").arg(n), Qt::FindDirectChildrenOnly);
}

void TfrmTrkConfig::CreateControls() {
    setObjectName(QStringLiteral("frmTrkConfig"));
    setFont(UiFont(9));
    QLabel* title = MakeLabel(this, "Label1", QStringLiteral("Trunk Configuration "),
                              QRect(0, 12, kWidth, 32), Qt::AlignCenter);
    title->setFont(UiFont(14, true));
    MakeLabel(this, "Label28", QStringLiteral("Port #"), QRect(16, kGridTop + 2, 90, 20))
        ->setFont(UiFont(9, true));

    for (int k = 1; k <= kTrunks; ++k) {
        auto* box = new QCheckBox(QStringLiteral("Trunk%1").arg(k), this);
        box->setObjectName(QStringLiteral("chkTrk%1").arg(k));
        box->setGeometry(16, kGridTop + kBoxTitle + (k - 1) * kRowStep, 90, kRowStep);
        connect(box, &QCheckBox::toggled, this, [this, box] { SetTrunkOption(box); });
    }

    for (int p = 1; p <= kTrunkPorts; ++p) {
        auto* box = new QGroupBox(BoxTitle(p), this);
        box->setObjectName(BoxName(p));
        box->setAlignment(Qt::AlignHCenter);
        box->setFlat(true);
        box->setGeometry(kGridLeft + (p - 1) * kBoxWidth, kGridTop, kBoxWidth, kBoxHeight);
        if (p >= kFirstModulePort) { // the module ports stand out: red labels on the info colour
            box->setAutoFillBackground(true);
            QPalette pal = box->palette();
            pal.setColor(QPalette::Window, QColor(0xff, 0xff, 0xe1));
            pal.setColor(QPalette::WindowText, Qt::red);
            box->setPalette(pal);
            QFont bold = box->font();
            bold.setBold(true);
            box->setFont(bold);
        }
        for (int k = 1; k <= kTrunks; ++k) {
            auto* b = new QRadioButton(box);
            b->setObjectName(QStringLiteral("optP%1K%2").arg(p, 2, 10, QLatin1Char('0')).arg(k));
            b->setGeometry(5, kBoxTitle + (k - 1) * kRowStep, 18, kRowStep);
            b->installEventFilter(this);
            connect(b, &QRadioButton::toggled, this, [this](bool on) {
                if (on) CheckTrunkRules();
            });
        }
    }

    // Notes: the heading, then the six numbered notes in red.
    const char* const notes[] = {"Label33", "Label27", "Label30", "Label31",
                                 "Label32", "Label34", "Label35"};
    for (int i = 0; i < 7; ++i) {
        QLabel* l = MakeLabel(this, notes[i], QString(),
                              QRect(16, kNotesTop + i * kNoteLine, kWidth - 150, kNoteLine));
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, i == 0 ? Qt::darkRed : Qt::red);
        l->setPalette(pal);
        if (i == 0) l->setFont(UiFont(9, true));
    }

    const int by = kNotesTop + 7 * kNoteLine - 34;
    btnSave =
        MakeButton(this, "btnSave", QStringLiteral("Apply"), QRect(kWidth - 122, by - 40, 100, 30));
    btnQuit = MakeButton(this, "btnQuit", QStringLiteral("Exit"), QRect(kWidth - 122, by, 100, 30));
    // Between the title and the grid, the one place free in every language.
    lblGarbled = MakeGarbledNote(this, QString(),
                                 QRect(kGridLeft, 44, kWidth - kGridLeft - 16, kGridTop - 46),
                                 Qt::AlignCenter);
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnQuit, &QPushButton::clicked, this, [this] { btnQuitClick(); });
    setFixedSize(kWidth, kNotesTop + 7 * kNoteLine + 16);
}

void TfrmTrkConfig::ApplyLanguageLayout() {
    setWindowTitle(LangText(txt::TrunkCaption));
    const QString cellHint = MessageText(txt::TrunkCellHint);
    const QString boxHint = MessageText(txt::TrunkBoxHint);
    for (QRadioButton* b : findChildren<QRadioButton*>()) b->setToolTip(cellHint);
    for (int k = 1; k <= kTrunks; ++k)
        findChild<QCheckBox*>(QStringLiteral("chkTrk%1").arg(k))->setToolTip(boxHint);
    const struct {
        int label;
        int32_t text;
    } texts[] = {{1, txt::TrunkTitle},     {28, txt::TrunkPortHeading}, {33, txt::TrunkWarnings},
                 {27, txt::TrunkWarning1}, {30, txt::TrunkWarning2},    {31, txt::TrunkWarning3},
                 {32, txt::TrunkWarning4}, {34, txt::TrunkWarning5},    {35, txt::TrunkWarning6}};
    for (const auto& t : texts)
        label(t.label)->setText(LangText(t.text));
    btnQuit->setText(LangText(txt::ExitButton));
    btnSave->setText(LangText(txt::ApplyButton));
    lblGarbled->setText(MessageText(txt::TrunkScreenGarbled));
    // Chinese glyphs are taller than the Latin ones at the same size.
    if (LanguageId == kLangChineseTraditional || LanguageId == kLangChineseSimplified)
        for (int n : {27, 30, 31, 32, 33, 34, 35})
            label(n)->setFont(UiFont(10, n == 33));
}
