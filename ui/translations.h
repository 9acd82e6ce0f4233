#pragma once

#include <QLocale>
#include <QString>

namespace tallyglass {

// Where the program carries its translation catalogues.
inline constexpr char catalogueFolder[] = ":/i18n";

// Installs the program's catalogue for the locale's languages, and Qt's own for the texts of
// its standard widgets. Texts without a translation stay English. True when the program's
// catalogue was found.
bool installTranslations(const QLocale& locale, const QString& folder = catalogueFolder);

// Takes them out again: for output that programs read, which stays English.
void removeTranslations();

} // namespace tallyglass
