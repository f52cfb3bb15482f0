// The real main window on Qt: it builds from the form, typing reaches the input
// parse, list selections switch bases and curve types, buttons reach the command
// table, and writes from other threads reach the widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <cstdlib>
#include <thread>

#include "platform/qt/qt_window.h"
#include "workbench/controls.h"
#include "workbench/workbench.h"

namespace {

class MainWindow : public ::testing::Test {
   protected:
    void SetUp() override { start(false); }
    void start(bool full) {
        WorkbenchOptions o;
        o.background_threads = full;
        o.seed_entropy = full;
        wb = std::make_unique<Workbench>(win, o);
        win.set_on_closed([this] { closed = true; });
        wb->start();
        win.show_window();
        QTest::qWait(10);
    }
    void TearDown() override {
        if (wb) wb.reset();
    }

    QLineEdit* field(int i) { return qobject_cast<QLineEdit*>(win.control(ctl::field_edit(i))); }
    QString counter(int i) { return qobject_cast<QLineEdit*>(win.control(ctl::field_counter(i)))->text(); }
    QString pane() { return qobject_cast<QPlainTextEdit*>(win.control(ctl::large_pane))->toPlainText(); }
    QPushButton* button(ControlId id) { return qobject_cast<QPushButton*>(win.control(id)); }
    void choose(ControlId list, int index) {
        auto* box = qobject_cast<QComboBox*>(win.control(list));
        box->setCurrentIndex(index);
        Q_EMIT box->activated(index);
    }
    void type_into(QLineEdit* e, const QString& text) {
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }

    QtWindow win;
    std::unique_ptr<Workbench> wb;
    bool closed = false;
};

TEST_F(MainWindow, BuildsEveryControlOfTheForm) {
    EXPECT_EQ(win.widget()->windowTitle(), "KORVATH v1.02");
    for (const ControlSpec& c : main_form().controls) {
        QWidget* w = win.control(c.id);
        ASSERT_NE(w, nullptr) << c.id;
        EXPECT_EQ(w->geometry(), QRect(c.rect.x, c.rect.y, c.rect.w, c.rect.h)) << c.id;
    }
    EXPECT_EQ(button(ctl::clear_ecc)->text(), "&CLEAR ECC");
    EXPECT_EQ(qobject_cast<QComboBox*>(win.control(ctl::number_base))->currentText(), "16");
    EXPECT_EQ(qobject_cast<QComboBox*>(win.control(ctl::thread_priority))->currentText(), "Normal/8");
    EXPECT_TRUE(pane().startsWith("KORVATH\nCreated by tovrel"));
    EXPECT_FALSE(button(ctl::stop)->isEnabled());
    EXPECT_TRUE(field(ctl::S)->isReadOnly());
}

TEST_F(MainWindow, TypingRunsTheInputParse) {
    choose(ctl::number_base, 0);  // base 10
    type_into(field(ctl::NP), "12xz");
    EXPECT_EQ(field(ctl::NP)->text(), "12");
    EXPECT_EQ(counter(ctl::NP), "4");
    // The typing limit holds for the user, digits-only boxes refuse letters.
    type_into(field(ctl::A), QString(300, '7'));
    EXPECT_EQ(field(ctl::A)->text().size(), 256);
    auto* bits = qobject_cast<QLineEdit*>(win.control(ctl::curve_bits));
    type_into(bits, "1a2b");
    EXPECT_EQ(bits->text(), "12");
    // A program-set text longer than the typing limit is kept whole.
    choose(ctl::number_base, 3);  // base 60: A's 256 decimal digits redrawn
    choose(ctl::number_base, 0);
    EXPECT_EQ(field(ctl::A)->text().toStdString(), std::string(256, '7'));
}

TEST_F(MainWindow, BaseAndCurveTypeSwitches) {
    type_into(field(ctl::NP), "ff");
    choose(ctl::number_base, 4);  // base 64
    EXPECT_EQ(field(ctl::NP)->text(), "/w");
    EXPECT_TRUE(pane().startsWith("BASE Changed OK."));
    EXPECT_FALSE(button(ctl::rev_np)->isEnabled());
    choose(ctl::number_base, 1);
    EXPECT_EQ(field(ctl::NP)->text(), "FF");
    EXPECT_TRUE(button(ctl::rev_np)->isEnabled());

    choose(ctl::curve_type, 1);
    EXPECT_EQ(pane(), "Curve over GF(2^M)");
    EXPECT_TRUE(field(ctl::P)->isHidden());
    EXPECT_FALSE(win.control(ctl::m_box)->isHidden());
    EXPECT_EQ(qobject_cast<QGroupBox*>(win.control(ctl::curve_group))->title(),
              "Curve over GF(2^m) Y^2 + X*Y = X^3 + a2*X^2 + a6 (mod 2^m)");
    EXPECT_EQ(qobject_cast<QLabel*>(win.control(ctl::poly_text))->text(),
              "Trinomial: f(t)=t^m + t^a + 1 (b=0)\nPentanomial: t^m + t^a + t^b + t^c + 1");
    choose(ctl::curve_type, 0);
    EXPECT_FALSE(field(ctl::P)->isHidden());
}

TEST_F(MainWindow, ButtonsReachTheCommandTable) {
    type_into(field(ctl::NP), "1020304");
    QTest::mouseClick(button(ctl::rev_np), Qt::LeftButton);
    EXPECT_EQ(field(ctl::NP)->text(), "04030201");
    type_into(field(ctl::Q), "5");
    QTest::mouseClick(button(ctl::clear_ecc), Qt::LeftButton);
    EXPECT_EQ(field(ctl::NP)->text(), "");
    EXPECT_EQ(counter(ctl::NP), "0");
    EXPECT_EQ(field(ctl::Q)->text(), "5");
    QTest::mouseClick(button(ctl::about), Qt::LeftButton);
    EXPECT_TRUE(pane().endsWith("Have a good day :)"));
    // Ticking S160/L makes the seed field editable.
    QTest::mouseClick(win.control(ctl::check_s), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_FALSE(field(ctl::S)->isReadOnly());
}

TEST_F(MainWindow, WritesFromAnotherThreadReachTheWidgets) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        open_workbench_engine();
        big v = big_alloc(4096);
        wb->fields().store_field(ctl::GX, v);
        wb->fields().redisplay_changed_fields();
        wb->set_status("from a worker\r\nsecond line");
        big_free(v);
        engine_teardown();
        done = true;
    });
    for (int i = 0; i < 500 && !done; ++i) QTest::qWait(5);
    worker.join();
    EXPECT_EQ(field(ctl::GX)->text(), "1000");
    EXPECT_EQ(counter(ctl::GX), "13");
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(win.control(ctl::status_pane))->toPlainText(),
              "from a worker\nsecond line");
    EXPECT_EQ(win.text(ctl::status_pane), "from a worker\r\nsecond line");
}

TEST_F(MainWindow, CloseBoxActsAsExit) {
    win.widget()->close();
    EXPECT_TRUE(closed);
    EXPECT_TRUE(wb->exit_requested());
}

// Not a test of behaviour: with KORVATH_SCREENSHOT=<file.png> set, saves a picture
// of the window (seeded, background threads running) in GF(p) and, beside it,
// in GF(2^m).
class Screenshot : public MainWindow {
   protected:
    void SetUp() override {
        if (std::getenv("KORVATH_SCREENSHOT") == nullptr) GTEST_SKIP() << "KORVATH_SCREENSHOT not set";
        start(true);
        QTest::qWait(1500);  // the meter shows the salt and the clock rate
    }
};

TEST_F(Screenshot, MainWindow) {
    const char* path = std::getenv("KORVATH_SCREENSHOT");
    type_into(field(ctl::NP), "FFFFFFFFFFFFFFFFFFFFFFFF99DEF836146BC9B1B4D22831");
    type_into(field(ctl::A), "-3");
    type_into(field(ctl::Q), "FFFFFFFFFFFFFFFFFFFFFFFF99DEF836146BC9B1B4D22831");
    QTest::qWait(50);
    EXPECT_TRUE(win.widget()->grab().save(path));
    choose(ctl::curve_type, 1);
    QTest::qWait(50);
    QString second = QString::fromUtf8(path);
    second.replace(".png", "-gf2m.png");
    EXPECT_TRUE(win.widget()->grab().save(second));
}

}  // namespace
