// The port window's controls and their placement. The table keeps the
// console's column order; under the Chinese languages some headings take
// other sizes and the notes move right to leave room for wider glyphs.
#include "forms/base/Messageform.h"
#include "forms/port/Portconfigform.h"

#include "lang/Language.h"
#include "lang/TextIds.h"
#include "shared/Publicunit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace {

const char* const kRowNames[9] = {"lblNameP0",    "lblTypeP0",   "edtInRateP0",
                                  "edtOutRateP0", "chkEnableP0", "cboAutoP0",
                                  "cboSpdP0",     "chkFullP0",   "chkHalfP0"};

// Geometry of the table, in window coordinates. Row panels span the table;
// the row controls sit at these offsets inside their panel.
constexpr int kTableLeft = 20;
constexpr int kTableTop = 110;
constexpr int kRowHeight = 30;
constexpr int kTableWidth = 724;
constexpr int kColName = 8, kColType = 86, kColIn = 160, kColOut = 228, kColEnable = 312;
constexpr int kColAuto = 362, kColSpeed = 490, kColFull = 630, kColHalf = 680;
constexpr int kNotesTop = 398;
constexpr int kNoteLine = 18;

} // namespace

QString TfrmPortConfig::RowControlName(int k, const QWidget* panel) {
    return QString::fromLatin1(kRowNames[k]) + panel->objectName().right(1);
}

QLabel* TfrmPortConfig::label(int n) const {
    return findChild<QLabel*>(QStringLiteral("Label%1").arg(n), Qt::FindDirectChildrenOnly);
}

void TfrmPortConfig::CreateControls() {
    setFixedSize(764, 536);
    setFont(UiFont(9));
    const Qt::Alignment center = Qt::AlignHCenter | Qt::AlignTop;

    QLabel* title = MakeLabel(this, "Label1", QStringLiteral("Port Configuration"),
                              QRect(0, 12, 764, 32), Qt::AlignCenter);
    title->setFont(UiFont(14, true));

    const int x = kTableLeft;
    MakeLabel(this, "Label2", QStringLiteral("Port"), QRect(x + kColName, 70, 74, 32));
    MakeLabel(this, "Label3", QStringLiteral("Type"), QRect(x + kColType, 70, 70, 32));
    MakeLabel(this, "Label4", QStringLiteral("InRate (100K)"), QRect(x + kColIn - 8, 56, 70, 46),
              center)
        ->setWordWrap(true);
    MakeLabel(this, "Label5", QStringLiteral("OutRate (100K)"), QRect(x + kColOut - 8, 56, 72, 46),
              center)
        ->setWordWrap(true);
    MakeLabel(this, "Label6", QStringLiteral("Port Enable"), QRect(x + kColEnable - 24, 56, 66, 46),
              center)
        ->setWordWrap(true);
    MakeLabel(this, "Label7", QStringLiteral("Auto Nego."), QRect(x + kColAuto, 70, 118, 32),
              center);
    MakeLabel(this, "Label8", QStringLiteral("Spd / Dpx"), QRect(x + kColSpeed, 70, 118, 32),
              center);
    MakeLabel(this, "Label9", QStringLiteral("Flow Control"), QRect(x + kColFull - 16, 52, 100, 22),
              center);
    MakeLabel(this, "Label10", QStringLiteral("Full"), QRect(x + kColFull - 12, 76, 40, 22),
              center);
    MakeLabel(this, "Label11", QStringLiteral("Half"), QRect(x + kColHalf - 12, 76, 40, 22),
              center);

    // Row panels and their controls, in the order CollectPortPage walks them.
    for (int r = 0; r < 8; ++r) {
        const QString digit = QString::number(r + 1);
        auto* panel = new QFrame(this);
        panel->setObjectName(QStringLiteral("pnlP0") + digit);
        panel->setFrameShape(QFrame::NoFrame);
        panel->setGeometry(kTableLeft, kTableTop + r * kRowHeight, kTableWidth, kRowHeight);
        if (r % 2 == 1) {
            panel->setAutoFillBackground(true);
            QPalette p = panel->palette();
            p.setColor(QPalette::Window, p.color(QPalette::Window).darker(106));
            panel->setPalette(p);
        }
        auto name = [panel](int k) { return RowControlName(k, panel); };

        auto* lblName = new QLabel(panel);
        lblName->setObjectName(name(0));
        lblName->setGeometry(kColName, 3, 74, 24);
        lblName->setFont(UiFont(9, true));
        auto* lblType = new QLabel(panel);
        lblType->setObjectName(name(1));
        lblType->setGeometry(kColType, 3, 70, 24);
        for (int k = 2; k <= 3; ++k) {
            auto* edit = new QLineEdit(panel);
            edit->setObjectName(name(k));
            edit->setMaxLength(4);
            edit->setAlignment(Qt::AlignRight);
            edit->setGeometry(k == 2 ? kColIn : kColOut, 3, 52, 24);
        }
        auto* enable = new QCheckBox(panel);
        enable->setObjectName(name(4));
        enable->setGeometry(kColEnable, 3, 22, 24);
        for (int k = 5; k <= 6; ++k) {
            auto* list = new QComboBox(panel);
            list->setObjectName(name(k));
            list->setEditable(false);
            list->setGeometry(k == 5 ? kColAuto : kColSpeed, 3, 118, 24);
        }
        for (int k = 7; k <= 8; ++k) {
            auto* box = new QCheckBox(panel);
            box->setObjectName(name(k));
            box->setGeometry(k == 7 ? kColFull : kColHalf, 3, 22, 24);
        }
    }

    // Buttons: paging under the table on the left, Apply and Exit on the right.
    const int by = kTableTop + 8 * kRowHeight + 10;
    auto button = [this, by](const char* name, const QString& text, int left, int width) {
        return MakeButton(this, name, text, QRect(left, by, width, 30));
    };
    btnPrevPage = button("btnPrevPage", QStringLiteral("Previous Page"), kTableLeft, 120);
    btnNextPage = button("btnNextPage", QStringLiteral("Next Page"), kTableLeft + 128, 120);
    btnSave = button("btnSave", QStringLiteral("Apply"), 764 - 20 - 212, 100);
    btnQuit = button("btnQuit", QStringLiteral("Exit"), 764 - 20 - 100, 100);
    lblGarbled =
        MakeGarbledNote(this, MessageText(txt::PortRowsGarbled),
                        QRect(kTableLeft + 256, by - 4, 764 - 20 - 212 - kTableLeft - 264, 38),
                        Qt::AlignLeft | Qt::AlignVCenter);
    connect(btnPrevPage, &QPushButton::clicked, this, [this] { btnPrevPageClick(); });
    connect(btnNextPage, &QPushButton::clicked, this, [this] { btnNextPageClick(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { btnSaveClick(); });
    connect(btnQuit, &QPushButton::clicked, this, [this] { btnQuitClick(); });

    // Notes, in red: the heading on the left, the numbered notes beside it.
    const int w = 764 - 90 - 10;
    const int y = kNotesTop;
    MakeLabel(this, "Label12",
              QStringLiteral(
                  "1. \"Apply\" button will save the current settings for all available ports"),
              QRect(90, y, w, kNoteLine));
    MakeLabel(this, "Label13", QStringLiteral("NOTES:"), QRect(28, y, 60, kNoteLine));
    MakeLabel(
        this, "Label14",
        QStringLiteral("2. Port 1 -- 24 can do rate control (InRate && OutRate fields); Valid "
                       "rate range: 0 -- 1000"),
        QRect(90, y + kNoteLine, w, kNoteLine));
    MakeLabel(
        this, "Label15",
        QStringLiteral("    ** Values for rate control:  0 (default) to disable rate control "),
        QRect(90, y + 2 * kNoteLine, w, kNoteLine));
    MakeLabel(this, "Label16",
              QStringLiteral("1 -- 1000 to set vaild control rate (100Kbps/unit) "),
              QRect(260, y + 3 * kNoteLine, 764 - 260 - 10, kNoteLine));
    MakeLabel(this, "Label17",
              QStringLiteral("4. Module  port /module trunk  can not do rate control."),
              QRect(90, y + 5 * kNoteLine, w, kNoteLine));
    MakeLabel(
        this, "Label18",
        QStringLiteral("3. Type \"NC\" means this port can not configure speed && duplex field"),
        QRect(90, y + 4 * kNoteLine, w, kNoteLine));
    for (int n = 12; n <= 18; ++n) {
        QLabel* l = label(n);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Qt::red);
        l->setPalette(p);
    }
}

void TfrmPortConfig::ApplyLanguageLayout() {
    if (LanguageId == kLangChineseTraditional || LanguageId == kLangChineseSimplified) {
        label(4)->move(label(4)->x(), 70);
        label(5)->move(label(5)->x(), 70);
        for (int n : {4, 5, 9}) {
            QFont f = label(n)->font();
            f.setPointSize(11);
            label(n)->setFont(f);
        }
        for (int n : {10, 11}) {
            QFont f = label(n)->font();
            f.setPointSize(8);
            label(n)->setFont(f);
        }
        label(13)->move(90, label(13)->y());
        for (int n : {12, 14, 15, 17, 18})
            label(n)->setGeometry(170, label(n)->y(), width() - 180, kNoteLine);
        label(16)->setGeometry(295, label(16)->y(), width() - 305, kNoteLine);
    }

    setWindowTitle(LangText(txt::PortCaption));
    // Label n shows text ids[n]; the notes' labels are not in text order.
    const int32_t ids[19] = {0,
                             txt::PortTitle,
                             txt::PortHeadingPort,
                             txt::PortHeadingType,
                             txt::PortHeadingInRate,
                             txt::PortHeadingOutRate,
                             txt::PortHeadingEnable,
                             txt::PortHeadingAuto,
                             txt::PortHeadingSpeed,
                             txt::PortHeadingFlow,
                             txt::PortHeadingFull,
                             txt::PortHeadingHalf,
                             txt::PortNote1,
                             txt::PortNotes,
                             txt::PortNote2,
                             txt::PortNote2Values,
                             txt::PortNote2Range,
                             txt::PortNote4,
                             txt::PortNote3};
    for (int n = 1; n <= 18; ++n)
        label(n)->setText(LangText(ids[n]));
    btnPrevPage->setText(LangText(txt::PortPrevPage));
    btnNextPage->setText(LangText(txt::PortNextPage));
    btnQuit->setText(LangText(txt::ExitButton));
    btnSave->setText(LangText(txt::ApplyButton));

    // A heading that fits on one line sits on the line of the one-line headings.
    QLabel* enable = label(6);
    if (QFontMetrics(enable->font()).horizontalAdvance(enable->text()) <= enable->width())
        enable->move(enable->x(), 70);
}
