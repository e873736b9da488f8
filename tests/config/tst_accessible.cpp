// Accessible names in each language: buttons and check boxes by their
// caption, edit and list boxes by their label's caption, on every window of
// a session; the object names stay the controls' names.
#include "tests/config/ConfigSession.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QtTest>

namespace {

// A caption as the name reads it: no trailing colon, blanks collapsed.
QString Named(QString caption) {
    caption = caption.simplified();
    while (caption.endsWith(':') || caption.endsWith(QChar(0xFF1A)))
        caption = caption.chopped(1).trimmed();
    return caption;
}

// Every control of the window has a name for a screen reader.
QStringList Unnamed(QWidget* window) {
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                             qobject_cast<QComboBox*>(w);
        if (!control || qobject_cast<QComboBox*>(w->parentWidget())) continue;
        if (w->accessibleName().isEmpty()) unnamed << window->objectName() + "." + w->objectName();
    }
    return unnamed;
}

} // namespace

class AccessibleTest : public QObject {
    Q_OBJECT

private slots:
    void namesInEachLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << 0;
        QTest::newRow("Simplified Chinese") << 1;
        QTest::newRow("Traditional Chinese") << 2;
    }
    void namesInEachLanguage() {
        QFETCH(int, language);
        ConfigSession s;
        QVERIFY(s.Open({}, language));
        // The start window was named in English first, then again in the
        // language chosen.
        QCOMPARE(frmWelcome->cboComPort->accessibleName(), Named(FileText(language, 4)));
        QCOMPARE(frmWelcome->cboLang->accessibleName(), Named(FileText(language, 7)));
        QCOMPARE(frmWelcome->btnConnect->accessibleName(), Named(FileText(language, 5)));
        QCOMPARE(frmWelcome->cboComPort->objectName(), QStringLiteral("cboComPort"));
        QCOMPARE(frmLogin->edtUsername->accessibleName(), Named(FileText(language, 102)));
        QCOMPARE(frmLogin->edtPassword->accessibleName(), Named(FileText(language, 103)));
        QCOMPARE(frmMain->btnLogout->accessibleName(), Named(FileText(language, 204)));

        QVERIFY(s.OpenMiscWindow());
        TfrmMiscConfigX* misc = frmMiscConfigX.get();
        const std::pair<QWidget*, int> boxes[] = {{misc->edtUsername, 1102},
                                                  {misc->edtOldPassword, 1103},
                                                  {misc->edtNewPassword, 1104},
                                                  {misc->edtPasswordAgain, 1105},
                                                  {misc->cboMacHash, 1108}};
        for (auto [box, id] : boxes)
            QCOMPARE(box->accessibleName(), Named(FileText(language, id)));
        QCOMPARE(misc->chkRetryForever->accessibleName(), Named(FileText(language, 1109)));
        QCOMPARE(misc->btnSave->accessibleName(), Named(FileText(language, 518)));
        QCOMPARE(misc->edtUsername->objectName(), QStringLiteral("edtUsername"));

        for (TForm* w : std::initializer_list<TForm*>{frmWelcome.get(), frmLogin.get(),
                                                      frmMain.get(), frmStaticConfig.get(), misc})
            QCOMPARE(Unnamed(w), QStringList());
    }
};

QTEST_MAIN(AccessibleTest)
#include "tst_accessible.moc"
