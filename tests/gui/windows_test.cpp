// The progress window and the reference dialog on their own: what typing
// gives in the entry per multiplier code, the dialog's results, and the
// progress window's modes, failure and reuse.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "gui/gui_text.h"
#include "gui/gui_widgets.h"
#include "gui/message_box_operator.h"
#include "gui/progress_window.h"
#include "gui/reference_dialog.h"
#include "ui/reference_choice.h"

using namespace gvc;
using namespace gvc::gui;
using namespace gvc::literals;

Q_DECLARE_METATYPE(std::string)

namespace {

QString U(std::string_view cp1251) {
    return Qs(cp1251);
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void typedEntry_data() {
        QTest::addColumn<unsigned>("code");
        QTest::addColumn<bool>("overwrite");  // typed over the initial text without selecting it
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("newStd");
        QTest::newRow("code 1, 12.5") << 1u << false << "12.5"
                                      << "  12.5" << 12500;
        QTest::newRow("code 1, 12.5 over 0000.0") << 1u << true << "12.5"
                                                  << "  12.5" << 12500;
        QTest::newRow("code 1, 9999.9") << 1u << false << "9999.9"
                                        << "9999.9" << 9999900;
        QTest::newRow("code 1, 7 without point") << 1u << false << "7"
                                                 << "   7. " << 7000;
        QTest::newRow("code 0, 1500") << 0u << false << "1500"
                                      << "1500" << 1500000;
        QTest::newRow("code 0, point ignored") << 0u << false << "15.3"
                                               << " 153" << 153000;
        QTest::newRow("code 2, 1.05") << 2u << false << "1.05"
                                      << "  1.05" << 1050;
        QTest::newRow("code 3, 99.999") << 3u << false << "99.999"
                                        << "99.999" << 99999;
        QTest::newRow("code 3, 01.005") << 3u << false << "01.005"
                                        << "01.005" << 1005;
        QTest::newRow("code 3, ,5 with a comma") << 3u << false << ",5"
                                                 << "  .5  " << 500;
    }

    void typedEntry() {
        QFETCH(unsigned, code);
        QFETCH(bool, overwrite);
        QFETCH(QString, keys);
        QFETCH(QString, entry);
        QFETCH(int, newStd);
        ScriptedOperator op;
        ReferenceDialog dialog(op);
        dialog.show();
        dialog.Prepare(2500000, code);
        if (overwrite) dialog.Edit()->setCursorPosition(0);
        QTest::keyClicks(dialog.Edit(), keys);
        QCOMPARE(U(dialog.Edit()->EntryText()), entry);
        dialog.TypedButton()->click();
        QVERIFY(op.Messages().empty());
        QCOMPARE(dialog.result(), kReferenceResultTyped);
        QCOMPARE(dialog.NewStd(), newStd);
    }

    void setupPerMultiplierCode() {
        ScriptedOperator op;
        ReferenceDialog dialog(op);
        const struct {
            unsigned code;
            const char* initial;
            int maxLength;
            const char* standard;
        } cases[] = {{1, "0000.0", 6, "2500.0"},
                     {2, "000.00", 6, "2500.00"},
                     {3, "00.000", 6, "2500.000"},
                     {0, "0000", 4, "2500."},
                     // From code 3 up the text keeps three decimals; the
                     // entry of such a code takes whole units.
                     {7, "0000", 4, "2500.000"}};
        for (const auto& c : cases) {
            QTimer::singleShot(0, &dialog, [&] { dialog.reject(); });
            QCOMPARE(dialog.Run(2500000, c.code), 0);
            QCOMPARE(dialog.Edit()->text(), QString::fromLatin1(c.initial));
            QCOMPARE(dialog.Edit()->maxLength(), c.maxLength);
            QCOMPARE(dialog.findChild<QLabel*>("stStdF")->text(), QString::fromLatin1(c.standard));
        }
    }

    void entryWithoutDigitsStaysOpen() {
        ScriptedOperator op;
        ReferenceDialog dialog(op);
        dialog.show();
        dialog.FormShow();
        QTest::keyClick(dialog.Edit(), Qt::Key_Delete);
        QTest::keyClicks(dialog.Edit(), QStringLiteral("."));
        dialog.TypedButton()->click();
        QCOMPARE(op.Messages().size(), 1u);
        QCOMPARE(op.Messages().front().text, NotANumberText(dialog.Edit()->EntryText()));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        // The standard button still closes it with 7.
        dialog.StandardButton()->click();
        QCOMPARE(dialog.result(), kReferenceResultStandard);
        QVERIFY(!dialog.isVisible());
    }

    void eachShowingStartsAfresh() {
        ScriptedOperator op;
        ReferenceDialog dialog(op);
        QTimer::singleShot(0, &dialog, [&] {
            QTest::keyClicks(dialog.Edit(), QStringLiteral("3.3"));
            dialog.TypedButton()->click();
        });
        QCOMPARE(dialog.Run(1400, 3), kReferenceResultTyped);
        QCOMPARE(dialog.NewStd(), 3300);
        QTimer::singleShot(0, &dialog, [&] {
            QCOMPARE(dialog.Edit()->text(), QStringLiteral("00.000"));
            dialog.reject();
        });
        QCOMPARE(dialog.Run(1400, 3), 0);
    }

    void progressModes() {
        ProgressWindow window;
        QVERIFY(!(window.windowFlags() & Qt::WindowCloseButtonHint));
        const struct {
            TransferMode mode;
            std::string_view caption;
            std::string_view action;
        } cases[] = {
            {TransferMode::kRead, "Чтение параметров из датчика"_cp, "Чтение параметров из датчика"_cp},
            {TransferMode::kWrite, "Запись параметров в датчик"_cp, "Запись параметров в датчик"_cp},
            {TransferMode::kSave, "Сохранение результатов Градуировки"_cp, "Запись параметров в датчик"_cp}};
        for (const auto& c : cases) {
            QString caption;
            QString action;
            const int result = window.RunTransfer(c.mode, [&] {
                caption = window.windowTitle();
                action = window.findChild<QLabel*>("lbDevRW")->text();
                // The operator cannot close the window while it works.
                QTest::keyClick(&window, Qt::Key_Escape);
                window.close();
                return window.isVisible() ? 5 : -7;
            });
            QCOMPARE(result, 5);
            QCOMPARE(caption, U(c.caption));
            QCOMPARE(action, U(c.action));
            QCOMPARE(window.Mode(), static_cast<int>(c.mode));
            QVERIFY(!window.isVisible());
        }
    }

    void progressFailureOnPageBAndReuse() {
        ProgressWindow window;
        auto* bar = window.findChild<QProgressBar*>("pbDevRW");
        auto* page = window.findChild<QLabel*>("stDevRW");
        const int failed = window.RunTransfer(TransferMode::kRead, [&] {
            window.PageStarted("FLASH-P");
            window.Advance(10);
            window.PageStarted("FLASH-A");
            window.Advance(20);
            window.PageStarted("FLASH-B");
            return -1;
        });
        QCOMPARE(failed, -1);
        QCOMPARE(bar->value(), 30);
        QCOMPARE(page->text(), QStringLiteral("FLASH-B"));

        // A save fills the status lines; the next showing clears them.
        int barAtStart = -1;
        window.RunTransfer(TransferMode::kSave, [&] {
            barAtStart = bar->value();
            window.CalibrationSaved();
            window.ReportSaved();
            window.CertificateSaved();
            return 0;
        });
        QCOMPARE(barAtStart, 0);
        QCOMPARE(window.findChild<QLabel*>("stLogFile")->text(), U("Отчет сохранен"_cp));
        QString logAtStart = QStringLiteral("unset");
        window.RunTransfer(TransferMode::kWrite, [&] {
            logAtStart = window.findChild<QLabel*>("stLogFile")->text();
            return 0;
        });
        QVERIFY(logAtStart.isEmpty());
    }

    void messageBoxOperatorKindsAndAnswers() {
        MessageBoxOperator op;
        const struct {
            MessageKind kind;
            QMessageBox::Icon icon;
        } kinds[] = {{MessageKind::kWarning, QMessageBox::Warning},
                     {MessageKind::kError, QMessageBox::Critical},
                     {MessageKind::kInformation, QMessageBox::Information}};
        for (const auto& k : kinds) {
            for (const bool yes : {true, false}) {
                QMessageBox::Icon icon = QMessageBox::NoIcon;
                QString text;
                bool modal = false;
                QTimer::singleShot(0, [&] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    QVERIFY(box != nullptr);
                    icon = box->icon();
                    text = box->text();
                    modal = box->isModal();
                    box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
                });
                QCOMPARE(op.Ask(k.kind, "Отсутствует файл Отчета\r\nСоздать?"_cp), yes);
                QCOMPARE(icon, k.icon);
                QVERIFY(modal);
                QCOMPARE(text, U("Отсутствует файл Отчета\nСоздать?"_cp));
            }
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box != nullptr);
                QCOMPARE(box->buttons().size(), 1);
                box->button(QMessageBox::Ok)->click();
            });
            op.Show(k.kind, "Повторный запуск программы ЗАПРЕЩЕН!"_cp);
        }
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
