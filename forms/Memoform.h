#pragma once
// The terminal monitor: a diagnostic window with one text area. It is
// created hidden at start-up and never shown.
#include "forms/Form.h"

class QPlainTextEdit;

class TfrmMemo : public TForm {
    Q_OBJECT
public:
    explicit TfrmMemo(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
};
