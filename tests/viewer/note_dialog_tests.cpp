// The maintenance-note dialog: preparing the stored note, the 227-byte field and its count of bytes left,
// Enter and Ctrl+Enter, the empty-text warning.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "resources/string_table.h"
#include "viewer/maintenance_dlg.h"
#include "viewer/viewer_test_support.h"

namespace kestrav::test {

class NoteDialogTests : public QObject {
    Q_OBJECT

private slots:
    void dialogLooksAsSet() {
        CMaintenanceDlg dialog;
        dialog.OnInitDialog();
        QCOMPARE(dialog.windowTitle(), Text(ApplicationTitle));
        QCOMPARE(dialog.Prompt()->text(), Text(NotePromptText));
        QVERIFY(dialog.OkButton()->isDefault());
        QVERIFY(!dialog.CancelButton()->isDefault());
        QCOMPARE(dialog.m_editNote->LimitText(), qsizetype{227});
        QCOMPARE(dialog.BytesLeft()->text(), QStringLiteral("227 bytes left"));
    }

    void typedLineBreaksAreFoldedAndTheFieldKeepsItsText() {
        ScriptedPrompts prompts;
        ScopedPrompts scope(prompts);
        CMaintenanceDlg dialog;
        dialog.OnInitDialog();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.m_editNote, QStringLiteral(" abc"));
        QTest::keyClick(dialog.m_editNote, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyClicks(dialog.m_editNote, QStringLiteral("def "));
        QTest::keyClick(dialog.m_editNote, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strNote, QStringLiteral(" abc\r\ndef "));
        QCOMPARE(dialog.m_editNote->toPlainText(), QStringLiteral(" abc\ndef "));
        dialog.PrepareNote();
        QCOMPARE(QByteArray(dialog.m_szNote), QByteArray("abc def"));
        QVERIFY(prompts.shown.empty());
    }

    void emptyTextKeepsTheDialogOpen() {
        ScriptedPrompts prompts;
        ScopedPrompts scope(prompts);
        CMaintenanceDlg dialog;
        dialog.OnInitDialog();
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.OkButton()->click();
        QTest::keyClicks(dialog.m_editNote, QStringLiteral(" \t "));
        QTest::keyClick(dialog.m_editNote, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompts.Texts(), (QStringList{Text(NotePromptText), Text(NotePromptText)}));
        QCOMPARE(prompts.shown[0].style, MessageStyleWarning);
        QTest::keyClick(dialog.m_editNote, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void fieldLimit_data() {
        QTest::addColumn<int>("letters");
        QTest::addColumn<bool>("lineBreak");
        QTest::addColumn<QString>("then");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("left");
        QTest::newRow("227 letters accepted") << 226 << false << "x" << 227 << "0 bytes left";
        QTest::newRow("a 228th letter refused") << 227 << false << "y" << 227 << "0 bytes left";
        QTest::newRow("line break counts two and fits") << 225 << true << "" << 227 << "0 bytes left";
        QTest::newRow("line break that would make 228 refused") << 226 << true << "" << 226 << "1 byte left";
        QTest::newRow("a letter after a line break at the limit refused")
            << 225 << true << "z" << 227 << "0 bytes left";
        QTest::newRow("kanji count three bytes each")
            << 0 << false << QString(75, u'漢') << 225 << "2 bytes left";
        QTest::newRow("a 76th kanji refused") << 0 << false << QString(76, u'漢') << 225 << "2 bytes left";
    }

    void fieldLimit() {
        QFETCH(int, letters);
        QFETCH(bool, lineBreak);
        QFETCH(QString, then);
        QFETCH(int, length);
        QFETCH(QString, left);
        CMaintenanceDlg dialog;
        dialog.OnInitDialog();
        dialog.show();
        QTest::keyClicks(dialog.m_editNote, QString(letters, u'x'));
        if (lineBreak) {
            QTest::keyClick(dialog.m_editNote, Qt::Key_Return, Qt::ControlModifier);
        }
        // Typed one key at a time with its text: QTest's own key table knows ASCII letters only.
        for (const QChar letter : then) {
            QTest::sendKeyEvent(QTest::Click, dialog.m_editNote, Qt::Key_unknown, QString(letter),
                                Qt::NoModifier);
        }
        QCOMPARE(NoteFieldLength(dialog.m_editNote->toPlainText()), qsizetype{length});
        QCOMPARE(dialog.BytesLeft()->text(), left);
    }

    void pasteIsCutToTheLimit() {
        CMaintenanceDlg dialog;
        dialog.OnInitDialog();
        dialog.show();
        QTest::keyClicks(dialog.m_editNote, QStringLiteral("ab"));
        QApplication::clipboard()->setText(QStringLiteral("line one\r\nline two ") + QString(400, u'p'));
        dialog.m_editNote->paste();
        const QString text = dialog.m_editNote->toPlainText();
        QCOMPARE(NoteFieldLength(text), qsizetype{227});
        QVERIFY(text.startsWith(QStringLiteral("abline one\nline two p")));
        dialog.DoDataExchange(true);
        dialog.PrepareNote();
        QCOMPARE(std::strlen(dialog.m_szNote), size_t{226}); // the CR LF pair became one blank
    }
};

KESTRAV_VIEWER_TEST(NoteDialogTests);

} // namespace kestrav::test

#include "note_dialog_tests.moc"
