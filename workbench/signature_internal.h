// The signature test dialog's controller, shared by its two source files:
// signature_dialog.cpp (opening, views, hashing, number boxes, notifications)
// and signature_schemes.cpp (ECDSA, Nyberg-Rueppel, encryption).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/form.h"
#include "platform/window.h"
#include "workbench/signature_dialog.h"

class Workbench;
struct SignatureScheme;  // what sets ECDSA and Nyberg-Rueppel apart (signature_schemes.cpp)

/// Upper-case hexadecimal of x without leading zeros ("0" for zero, "-" for a
/// negative value), formed from the words themselves so that it is right even
/// while an engine error is recorded.
std::string hex_number(const big_rec* x);

class SignatureDialog final : public EventSink {
   public:
    explicit SignatureDialog(Workbench& wb) : m_wb(wb) {}

    /// Builds the dialog over the main window and runs the opening steps.
    void open(std::function<SignatureKeys(Workbench&)> keys);
    void on_event(const Event& e) override;

   private:
    enum class View { none, ascii, hex, base64 };

    void dispatch(const Event& e);
    void close();

    // ---- views (signature_dialog.cpp) ----
    void select_view(View v);
    void convert(View v);
    void hash_message(ControlId button);

    // ---- boxes ----
    std::string text(ControlId id);
    void set_text(ControlId id, std::string_view t);
    void set_status(std::string_view t);
    /// Reads a number box: every character that is not a hex digit is removed
    /// (a leading "-" stays), the cleaned text is written back when something
    /// was removed, and the rest is parsed as hexadecimal. nullopt when no digit
    /// is left (the box counts as not given).
    std::optional<BigInt> read_number(ControlId box);
    /// Writes x as upper-case hexadecimal without leading zeros.
    void write_number(ControlId box, const BigInt& x);
    /// The cleaned text of a number box as read_number leaves it.
    std::string cleaned_text(ControlId box);

    // ---- schemes (signature_schemes.cpp) ----
    void ecdsa_sign();
    void ecdsa_verify();
    void nr_sign();
    void nr_verify();
    void encrypt();
    void decrypt();
    /// h from its box; nullopt, with `missing` on the status line, when empty.
    std::optional<BigInt> read_hash(std::string_view missing);
    /// The key set; nullopt, with "Invalid GF Type." on the status line, when
    /// its CurveType is neither GF(p) nor GF(2^m).
    std::optional<SignatureKeys> read_curve_keys();
    /// The signing and verifying steps the two signature schemes share.
    void sign_with(const SignatureScheme& scheme);
    void verify_with(const SignatureScheme& scheme);

    Workbench& m_wb;
    Window* m_dialog = nullptr;
    std::function<SignatureKeys(Workbench&)> m_keys;
    View m_view = View::none;
    bool m_busy = false;            // a view switch or conversion is running
    bool m_status_written = false;  // by the action now running
};
