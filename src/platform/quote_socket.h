// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vantrel {

// The Unix socket the user's own quote server listens on and the program asks for its page: in the
// user's runtime folder, which no other user can enter, so no one else can listen there or connect.
QString quoteSocketPath();

} // namespace vantrel
