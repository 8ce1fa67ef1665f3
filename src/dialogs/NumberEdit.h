#pragma once

class QLineEdit;

// Whether a number edit takes a minus sign.
enum class NumberSign { Unsigned, Signed };

// Lets only a whole number be typed into an edit: digits, with a leading minus
// where a negative value means something. Blanks before the number stay
// acceptable, as the program itself writes right-aligned numbers ("%5d").
// Text set by the program is not checked; only what the user types.
void AcceptWholeNumbersOnly(QLineEdit* edit, NumberSign sign);

// Lets only a whole number from 0 to max be typed (a time of the day's hour or
// minute): a digit that would take it beyond max is refused as it is typed.
// An emptied edit stays possible; its owner refuses it where it is used.
void AcceptNumbersUpTo(QLineEdit* edit, int max);
