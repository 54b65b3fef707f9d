// The Program dock as a user drives it: keys and buttons that record, touch
// up, delete, undo and save; typed cells; a problem shown on its line; a
// pasted program in the editor. The model's own edits are tst_program's.
#include "app/mainwindow.h"
#include "plots/plotsview.h"
#include "scene/glwidget.h"
#include "sequences/paths.h"
#include "texts/uitexts.h"
#include "ui/menuprincipal.h"
#include "ui/programdock.h"
#include "ui/programtable.h"
#include <QClipboard>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QtTest>
namespace {
void press(const QKeySequence &keys)
{
    QTest::keySequence(static_cast<QWidget *>(nullptr), keys);
}
} // namespace
class TestProgramDock : public QObject
{
    Q_OBJECT
    MainWindow *w = nullptr;
    ProgramDock *dock = nullptr;
    QTemporaryDir cwd;
    // The robot where a user jogged it.
    void jog(std::array<float, 6> q) { w->panel()->setConfiguration_precise(q.data()); }
    std::array<double, 6> target(int row) const { return dock->program()->line(row).operands; }
    static std::array<double, 6> exactly(std::array<float, 6> q)
    {
        return {q[0], q[1], q[2], q[3], q[4], q[5]};
    }
    void clickRow(int row, Qt::KeyboardModifiers keys = {})
    {
        QTableView *t = dock->table();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, keys,
                          t->visualRect(t->model()->index(row, 0)).center());
    }
    void typeCell(int row, int column, const QString &text)
    {
        QTableView *t = dock->table();
        const QPoint at = t->visualRect(t->model()->index(row, column)).center();
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
        // The view deletes its editor once the value is committed.
        QPointer<QLineEdit> editor = t->viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!editor || !editor->isVisible()); // the delegate commits on the next turn
    }
private slots:
    void init()
    {
        MainWindow::setInteractive(false);
        QDir::setCurrent(cwd.path());
        (w = new MainWindow)->resize(1400, 900);
        w->show();
        w->startWith(QStringLiteral("setup.vks")); // none: the default robot and tool
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        dock = w->programView();
        press(QKeySequence(QStringLiteral("F7")));
        QTRY_VERIFY(w->programDock()->isVisible());
    }
    void cleanup() { delete w; }
    void recordTouchUpDeleteUndoSave()
    {
        const std::array<float, 6> a{10, -20, 30, 0, 45, 0}, b{20, -20, 30, 0, 45, 0},
            c{25, -10, 20, 0, 50, 10};
        jog(a);
        press(QKeySequence(QStringLiteral("Alt+J")));
        jog(b);
        QTest::mouseClick(dock->toolBar()->widgetForAction(w->action("actionRecordLinear")),
                          Qt::LeftButton);
        QTRY_COMPARE(dock->table()->model()->rowCount(), 2);
        QCOMPARE(dock->program()->line(0).code, 1.0);
        QCOMPARE(dock->program()->line(1).code, 2.0);
        QCOMPARE(target(0), exactly(a));
        QCOMPARE(target(1), exactly(b));
        jog(c); // the new line is the selected one: Alt+U moves its target here
        press(QKeySequence(QStringLiteral("Alt+U")));
        QCOMPARE(target(1), exactly(c));
        // Picking line 1 takes the robot back there and the player (and the
        // plots' cursor) to its path: one joint move to where the path
        // starts is two equal positions.
        QTRY_VERIFY(dock->program()->analysisCurrent());
        clickRow(0);
        QCOMPARE(w->panel()->currentJoints(), a);
        QCOMPARE(w->plotsView()->cursorPosition(), 2);
        QCOMPARE(w->panel()->paths()->currentIndex(), 1);
        QTest::keyClick(dock->table(), Qt::Key_Delete);
        QCOMPARE(dock->program()->size(), 1);
        QCOMPARE(target(0), exactly(c));
        press(QKeySequence(QStringLiteral("Ctrl+Z")));
        QCOMPARE(dock->program()->size(), 2);
        QCOMPARE(target(0), exactly(a));
        QCOMPARE(w->action("actionProgramRedo")->text(), // the edit's name in the Edit menu
                 uitext::get(uitext::Text::ProgramRedo).arg(uitext::get(uitext::Text::ProgStepDelete)));
        press(QKeySequence(QStringLiteral("Ctrl+Y")));
        QCOMPARE(dock->program()->size(), 1);
        press(QKeySequence(QStringLiteral("Ctrl+Z")));
        // Speed and zone for the linear move; the file as written by hand.
        QVERIFY(dock->saveFile(cwd.filePath("p.sim")));
        clickRow(1);
        dock->speedField()->setText(QStringLiteral("250"));
        dock->zoneField()->setText(QStringLiteral("fine"));
        QTest::mouseClick(dock->findChild<QPushButton *>("programApply"), Qt::LeftButton);
        MainWindow::setUnsavedAnswer(QMessageBox::Cancel);
        QVERIFY(!w->close()); // the program changed since it was saved
        w->action("actionProgramSave")->trigger();
        QFile f(cwd.filePath("p.sim"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
                 QStringLiteral("1 10.000000 -20.000000 30.000000 0.000000 45.000000 0.000000\n"
                                "2 25.000000 -10.000000 20.000000 0.000000 50.000000 10.000000"
                                " v250 fine\n"));
        MainWindow::setUnsavedAnswer(QMessageBox::Discard);
    }
    void typedCellsAndProblems()
    {
        // Through the wrist: joint 5 from 30 to -30 on a straight line.
        jog({0, 0, 0, 0, 30, 0});
        press(QKeySequence(QStringLiteral("Alt+J")));
        jog({0, 0, 0, 0, -30, 0});
        press(QKeySequence(QStringLiteral("Alt+L")));
        QTRY_VERIFY(dock->program()->analysisCurrent());
        QVERIFY(dock->program()->check(0).ok() && !dock->program()->check(1).ok());
        const QModelIndex mark = dock->table()->model()->index(1, programui::CheckColumn);
        QVERIFY(!mark.data().toString().isEmpty() && !mark.data(Qt::DecorationRole).isNull());
        QVERIFY(!w->panel()->paths()->lastProblems().empty());
        QCOMPARE(w->panel()->paths()->lastProblems().front().pathId, 1);
        // θ2 of line 1: a decimal comma reads, a typo and a value beyond the
        // limits are refused and change nothing.
        const int theta2 = programui::FirstOperandColumn + 1;
        typeCell(0, theta2, QStringLiteral("5,5"));
        QCOMPARE(target(0)[1], 5.5);
        for (const char *typed : {"5..5", "400"}) {
            typeCell(0, theta2, QLatin1String(typed));
            QCOMPARE(target(0)[1], 5.5);
            QVERIFY2(!dock->notice().isEmpty(), typed);
        }
        // Pasted, a program is in the editor with its speeds and zones.
        QApplication::clipboard()->setText(QStringLiteral("1 0 0 0 0 30 0\n2 10 0 0 0 30 0 v100 z5\n"));
        MainWindow::setUnsavedAnswer(QMessageBox::Discard);
        w->view()->setFocus();
        press(QKeySequence(QStringLiteral("Ctrl+V")));
        QTRY_COMPARE(dock->program()->size(), 2);
        QCOMPARE(dock->program()->line(1).speed, 100.0);
        QCOMPARE(dock->program()->line(1).zone, 5.0);
    }
};
QTEST_MAIN(TestProgramDock)
#include "tst_programdock.moc"
