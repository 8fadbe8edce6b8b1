#pragma once

#include "platform/TextUtil.h"

#include <QString>
#include <QStringView>

namespace Text {

// Trim for what the user types or pastes: U+FEFF goes as white space does. A paste can carry
// it (a byte order mark), nobody sees it, and a stored value-list text cannot begin with it.
QString TrimInput(QStringView s);

} // namespace Text
