// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

// The intro before the first pair of a pass, the point, and the two words around a reminder's pair.
inline const QString kIntroClip = QStringLiteral("dqhj");
inline const QString kPointClip = QStringLiteral("dianm");
inline const QString kYoursClip = QStringLiteral("yours");
inline const QString kSetPriceClip = QStringLiteral("setprice");

// The alert sounds in the order the sound selector lists them; each text is also its clip's name.
QStringList alertSoundNames();

// Every clip the program can ask for: 71 names, letter case as the files are named.
QStringList allClipNames();

// The clip for the character at a 1-based position of a rate text: "1m" for a digit 1, "dianm" for a
// point in positions 2 to 4, and "m" alone past the end of the text.
QString characterClip(const QString &rate, int position);

// The file of a clip: the sound directory beside the program, the name, ".wav".
QString clipPath(const QString &programDirectory, const QString &clipName);

} // namespace vantrel
