#include "forms/Memoform.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TfrmMemo::TfrmMemo(QWidget* parent) : TForm(parent) {
    setObjectName(QStringLiteral("frmMemo"));
    setWindowTitle(QStringLiteral("Terminal Monitor"));
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Courier New"), 9);
    font.setStyleHint(QFont::TypeWriter);
    Memo1->setFont(font);
    // Whatever is ever written here stays bounded.
    Memo1->setMaximumBlockCount(5000);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
    resize(560, 360);
}
