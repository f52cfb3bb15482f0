// korvath-batch drives the signature test dialog: after T&EST opens it, --set
// and --press address its boxes and buttons, every press prints the boxes and
// the status, and --close-dialog returns to the main window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/standard_curves.h"

namespace {

using testsupport::ProcessRun;

// korvath-batch with its error output merged into the output.
ProcessRun batch(const std::vector<std::string>& args) {
    return testsupport::run_program(KORVATH_BATCH, args, "", true);
}

// The value printed on the line "NAME = value" of `block`.
std::string value_of(const std::string& block, const std::string& name) {
    const std::string key = "\n" + name + " = ";
    const size_t at = ("\n" + block).find(key);
    if (at == std::string::npos) return "<missing>";
    const size_t start = at + key.size() - 1;
    return block.substr(start, block.find('\n', start) - start);
}

TEST(SignatureDialogBatch, TestOpensTheDialogAndPressesReachIt) {
    // The key pair d = 1, R = G on secp112r1.
    const testsupport::StandardCurve& c = testsupport::standard_curve("secp112r1");
    const ProcessRun r = batch({"--set", "P=" + c.p, "--set", "A/a2=" + c.a, "--set", "B/a6=" + c.b,
                              "--set", "Q[Order]=" + c.n, "--set", "k[Priv]=1", "--set", "Gx[Base]=" + c.gx,
                              "--set", "Gy[Base]=" + c.gy, "--set", "Rx[Pub]=" + c.gx, "--set",
                              "Ry[Pub]=" + c.gy, "--press", "T&EST", "--set", "&HEX=1", "--set", "HEX=616263",
                              "--press", "SHA256", "--press", "E&CDSA Sign", "--press", "ECDSA &Verify",
                              "--close-dialog", "--press", "ABOUT"});
    ASSERT_EQ(r.code, 0) << r.out;
    // One block per press inside the dialog: every box, "status" last.
    const std::string hashed =
        "ASCII = abc\nHEX = 616263\nBASE64 = YWJj\n"
        "h = BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\n"
        "k = \nr = \ns = \nVx = \nVy = \nv = \nderived = \nstatus = HEX Updated.\n";
    const size_t at = r.out.find(hashed);
    ASSERT_NE(at, std::string::npos) << r.out;
    const size_t sign_at = r.out.find("status = ECDSA signature is r, s.\n", at);
    ASSERT_NE(sign_at, std::string::npos) << r.out;
    const std::string signed_block = r.out.substr(at + hashed.size(), sign_at - at - hashed.size());
    const size_t verify_at = r.out.find("status = Verification OK.\n", sign_at);
    ASSERT_NE(verify_at, std::string::npos) << r.out;
    const std::string verified_block = r.out.substr(sign_at, verify_at - sign_at);
    EXPECT_NE(value_of(signed_block, "r"), "");
    EXPECT_EQ(value_of(verified_block, "k"), value_of(signed_block, "k"));
    EXPECT_EQ(value_of(verified_block, "v"), value_of(signed_block, "r"));
    EXPECT_EQ(value_of(verified_block, "derived"), "1");
    // After --close-dialog the main window's panes and fields print again.
    EXPECT_NE(r.out.find("== ABOUT ==\nKORVATH\n", verify_at), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("k[Priv] = 1\n", verify_at), std::string::npos) << r.out;
}

}  // namespace
