// The signature test dialog on Qt's offscreen platform: T&EST opens it as a
// modal dialog over the main window with the test message converted, typing and
// clicks reach its views and schemes, and Escape closes it.
#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "platform/qt/qt_window.h"
#include "tests/support/standard_curves.h"
#include "workbench/controls.h"
#include "workbench/signature_dialog.h"
#include "workbench/workbench.h"

namespace {

namespace sc = sigctl;

TEST(SignatureDialogGui, OpensModalAndRunsTheSchemes) {
    QtWindow win;
    WorkbenchOptions o;
    o.background_threads = false;
    o.seed_entropy = false;
    auto wb = std::make_unique<Workbench>(win, o);
    wb->start();
    win.show_window();

    // The key pair d = 1, R = G on secp112r1, typed into the main window.
    const testsupport::StandardCurve& c = testsupport::standard_curve("secp112r1");
    const struct {
        int field;
        std::string text;
    } fields[] = {{ctl::P, c.p},  {ctl::A, c.a},   {ctl::B, c.b},   {ctl::Q, c.n},   {ctl::K, "1"},
                  {ctl::GX, c.gx}, {ctl::GY, c.gy}, {ctl::RX, c.gx}, {ctl::RY, c.gy}};
    for (const auto& f : fields) win.set_text(ctl::field_edit(f.field), f.text);
    // T&EST checks the key set, makes the curve current and opens the dialog.
    QTest::mouseClick(qobject_cast<QPushButton*>(win.control(ctl::test)), Qt::LeftButton);

    auto* d = dynamic_cast<QtWindow*>(win.active_dialog());
    ASSERT_NE(d, nullptr);
    QWidget* dialog = d->widget();
    QTest::qWait(10);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->windowTitle(), "ECDSA / ECNR(Nyberg-Rueppel) / ECCrypt Key Test");
    auto edit = [&](ControlId id) { return qobject_cast<QLineEdit*>(d->control(id)); };
    EXPECT_EQ(edit(sc::ascii_view)->text(), "+test+");
    EXPECT_EQ(edit(sc::hex_view)->text(), "2B746573742B");
    EXPECT_EQ(edit(sc::base64_view)->text(), "K3Rlc3Qr");
    EXPECT_EQ(edit(sc::status_box)->text(), "ASCII Updated.");
    EXPECT_EQ(qobject_cast<QLabel*>(d->control(sc::v_caption))->text(),
              "Verify ECNR: v=r-(s*G+r*P)mod Q, v==h  ECR:h=s/(d*R(mod Q)) (mod Q)");

    // Typing into the HEX view once it is chosen converts on every keystroke.
    QTest::mouseClick(qobject_cast<QRadioButton*>(d->control(sc::radio_hex)), Qt::LeftButton);
    EXPECT_EQ(edit(sc::status_box)->text(), "CHECKED HEX View.");
    EXPECT_FALSE(edit(sc::hex_view)->isReadOnly());
    EXPECT_TRUE(edit(sc::ascii_view)->isReadOnly());
    edit(sc::hex_view)->setFocus();
    edit(sc::hex_view)->selectAll();
    QTest::keyClick(edit(sc::hex_view), Qt::Key_Delete);
    QTest::keyClicks(edit(sc::hex_view), "616263");
    EXPECT_EQ(edit(sc::ascii_view)->text(), "abc");
    EXPECT_EQ(edit(sc::status_box)->text(), "HEX Updated.");

    auto press = [&](ControlId id) { QTest::mouseClick(qobject_cast<QPushButton*>(d->control(id)), Qt::LeftButton); };
    press(sc::hash_sha256);
    // SHA-256("abc"), FIPS 180-2 B.1.
    EXPECT_EQ(edit(sc::h_box)->text(), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
    press(sc::ecdsa_sign);
    EXPECT_EQ(edit(sc::status_box)->text(), "ECDSA signature is r, s.");
    press(sc::ecdsa_verify);
    EXPECT_EQ(edit(sc::status_box)->text(), "Verification OK.");
    EXPECT_EQ(edit(sc::derived_box)->text(), "1");

    // Escape asks the dialog to close; it ends, and the main window is usable.
    QTest::keyClick(dialog, Qt::Key_Escape);
    QTest::qWait(10);
    EXPECT_EQ(win.active_dialog(), nullptr);
    wb.reset();
}

}  // namespace
