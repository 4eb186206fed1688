#include "VersionText.h"

#include "MDllChk.h"
#include "Version.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace
{
const QString kProgram = QString::fromLatin1(kProgramName);

const QString kVersionLabel = u"  　バージョン　"_s;
const QString kCopyrightLabel = u"　　著作権："_s;
const QString kContactLabel = u"　　連絡先："_s;
const QString kHomePageLabel = u"　　ＨＰ　："_s;
const QString kSignatureIndent = u"　　　　　　"_s;

const QString kMissingSuffix = u" が無いので動作できません"_s;
const QString kObtainPrefix = u"　ランタイムパッケージ "_s;
const QString kObtainSuffix = u" を入手して"_s;
const QString kInstallLine = u"　インストールして下さい"_s;
const QString kWhereLabel = u"　入手先　："_s;

const QString kCaptionNormal = u" バージョン情報"_s;
const QString kCaptionMissing = u" ランタイムエラー"_s;

constexpr int kLinkLineNormal = 5; // "　　ＨＰ　："
constexpr int kLinkLineMissing = 6; // "　入手先　：", one line lower
} // namespace

QString versionNumberText(int major, int minor)
{
    return u"%1.%2"_s.arg(major).arg(minor, 2, 10, QLatin1Char('0'));
}

QString versionTitleText(bool gridControlFound, int major, int minor)
{
    QStringList lines;
    if (gridControlFound) {
        lines << QString() << u"　　"_s + kProgram + kVersionLabel + versionNumberText(major, minor) << QString()
              << kCopyrightLabel + kAuthorName << kContactLabel + kContactAddress << kHomePageLabel << QString()
              << kSignatureIndent + kAuthorName + u' ' + kPublicationYears << QString(); // the final line end
    } else {
        lines << QString() << u"　"_s + kGridComponentFile + kMissingSuffix << QString()
              << kObtainPrefix + kGridComponentPackage + kObtainSuffix << kInstallLine << QString() << kWhereLabel;
    }
    return lines.join(u'\n');
}

QString versionCaption(bool gridControlFound)
{
    return kProgram + (gridControlFound ? kCaptionNormal : kCaptionMissing);
}

int versionLinkLine(bool gridControlFound)
{
    return gridControlFound ? kLinkLineNormal : kLinkLineMissing;
}
