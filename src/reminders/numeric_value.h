// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

namespace vantrel {

// The number a text starts with. Blanks (spaces, tabs, line feeds) anywhere are ignored; then the
// longest leading part that reads as a number counts: a sign, digits with at most one ".", an exponent
// with E or D; or &H / &O and hexadecimal or octal digits. "." is the decimal point in every locale.
// A text that starts with no number is 0. A value too large for a double is plus or minus infinity.
double numericValue(QStringView text);

} // namespace vantrel
