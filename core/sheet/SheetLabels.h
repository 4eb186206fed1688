#pragma once

#include <QString>

#include <array>

// How messages, windows and reports name the two sheets: after the file each one holds.
inline const std::array<QString, 2> kSheetLabels{QStringLiteral("ファイル１"), QStringLiteral("ファイル２")};
// The sheet's number alone, for texts that put 「ファイル」 before it themselves.
inline const std::array<QString, 2> kSheetNumerals{QStringLiteral("１"), QStringLiteral("２")};
