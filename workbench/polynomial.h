// The field polynomial of a GF(2^m) curve: f(t) = t^m + t^a + 1 (b = 0, a
// trinomial) or t^m + t^a + t^b + t^c + 1 (a pentanomial), as the boxes m, a, b,
// c give it. Its validity rules, its text form and the irreducibility test shared
// by the polynomial buttons, curve generation and the key actions.
//
// Ben-Or's test: f of degree m is irreducible exactly when
// gcd(t^(2^i) - t, f) = 1 for i = 1 .. m/2, because every irreducible factor of
// degree d divides t^(2^d) - t. M. Ben-Or, "Probabilistic algorithms in finite
// fields", FOCS 1981.
//
// Threads: any thread with a current engine instance.
#pragma once

#include <string>

/// The text form: "f(t) = t^m + t + 1", "f(t) = t^m + t^a + 1",
/// "f(t) = t^m + t^a + t^b + t + 1" or "f(t) = t^m + t^a + t^b + t^c + 1"
/// (first matching of a = 1, b = 0, c = 1, otherwise).
std::string format_polynomial(int m, int a, int b, int c);

/// Ben-Or's test over GF(2) with the engine's field operations. False when the
/// instance's numbers are too short for degree m (fewer than m/32 + 1 words).
/// f becomes the instance's current basis (without its own check) and stays so.
/// Preconditions: m > a > b >= 0, and b > c >= 1 when b != 0 (check_polynomial's
/// first two rules); c is ignored when b = 0.
bool is_irreducible(int m, int a, int b, int c);

/// Empty when f is valid and irreducible, otherwise the one message to show:
/// "BAD POLY, make sure: m > a  > b >= 0", "BAD POLY, when b != 0, make sure:
/// b > c >= 1", "Trinomial: %s is NOT irreducible." or "Pentanomial: %s is NOT
/// irreducible.". c is taken as 0 when b = 0.
std::string check_polynomial(int m, int a, int b, int c);
