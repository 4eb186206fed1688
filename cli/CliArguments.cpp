#include "CliArguments.h"

#include "CompareOptionTable.h"
#include "DelimiterRules.h"
#include "FormatNames.h"
#include "KeyAlignment.h"
#include "ReportFile.h"

using namespace Qt::StringLiterals;

namespace
{
const QString kUsageHead
    = u"使い方: rowlark-diff [--delimiter C] [--json [--explain]] [--align-columns]\n"
      u"                     [--align | --key LIST [--header] [--sort]] [--report FILE] [比較オプション] "
      u"[--list-equivalent] FILE1 FILE2\n"
      u"        rowlark-diff --dump [--delimiter C] [--sheet NAME] FILE\n"
      u"  FILE1 と FILE2 を同じ位置のセルどうしで比較し、結果と差のある位置 (行,列) を出力します\n"
      u"  --json          比較の結果を JSON で出力します\n"
      u"  --explain       (--json と一緒に) 差のあるセルごとに、文字単位で違う範囲と、同じとみなせる規則を出力します\n"
      u"  --align         挿入・削除された行を揃えてから比較し、位置ごとに両ファイルの行番号も出力します\n"
      u"                  (ファイルは変更しません)\n"
      u"  --align-columns 1行目の列見出しで列を揃えてから比較し、位置ごとに両ファイルの列番号も出力します\n"
      u"                  (--align, --key より先に揃えます。ファイルは変更しません)\n"
      u"  --key LIST      LIST の列 (例 1 や 1,3) をキーにして、キーの同じ行どうしを揃えてから比較し、\n"
      u"                  位置ごとに両ファイルの行番号も出力します (ファイルは変更しません)\n"
      u"  --header        (--key と一緒に) 1行目は見出しとして揃えずに、1行目どうしで比較します\n"
      u"  --sort          (--key と一緒に) 両ファイルの行をキー列の順に並べ替えてから揃えます\n"
      u"  --report FILE   差分レポートも保存します (形式は拡張子 .html / .xlsx / .csv で決まります)\n"
      u"  --report -      結果の代わりに CSV の差分レポートを標準出力に出力します\n"
      u"  --no-limit      行数・列数の上限なしに比較します\n"
      u"                  (--sort, --report, --explain とは指定できません)\n"
      u"  --sheet NAME    Excel ブック (.xlsx, .xls) のシートを名前か番号 (1から) で選びます\n"
      u"                  (--sheet1, --sheet2 はそれぞれのファイルだけ。省略時は最初の表示シート)\n"
      u"比較オプション (同じとみなすセル):\n"_s;
const QString kUsageTail
    = u"  --list-equivalent      比較オプションにより同じとみなしたセルも出力します\n"
      u"  --dump          FILE を読み込み、シートの内容を JSON で出力します\n"
      u"  --delimiter C   区切り文字 C (1文字) で区切って読みます (省略時はカンマ)\n"
      u"  --encoding NAME 両ファイルを文字コード NAME で読みます (auto, utf-8, shift_jis, euc-jp,\n"
      u"                  utf-16le, utf-16be; 省略時は auto: ファイルから判定します)\n"
      u"  --encoding1 NAME / --encoding2 NAME   FILE1 / FILE2 だけの文字コード\n"
      u"  --help          この説明を表示します\n"
      u"終了コード: 0 差なし、1 差あり、2 読み込めないファイルがある / 指定の誤り / 結果を出力できない、\n"
      u"            3 一部しか読めなかったファイルがある (読めた範囲だけを比較しました)\n"_s;
// The columns in which the help texts of the options start.
constexpr qsizetype kShortFlagWidth = 18;
constexpr qsizetype kLongFlagWidth = 25;
const QString kUnknownOption = u"不明なオプションです: %1"_s;
const QString kMissingValue = u"%1 には値が必要です"_s;
const QString kDelimiterTooLong = u"区切り文字は1文字で指定して下さい: %1"_s;
const QString kWrongFileCount = u"ファイルを1つ指定して下さい"_s;
const QString kUnknownEncoding = u"文字コード %1 は使えません (auto, utf-8, shift_jis, euc-jp, utf-16le, utf-16be)"_s;
const QString kOptionNotForDump = u"%1 は --dump と一緒には指定できません"_s;
const QString kWrongDiffFileCount = u"比較するファイルを2つ指定して下さい"_s;
const QString kExplainWithoutJson = u"--explain は --json と一緒に指定して下さい"_s;
const QString kUnknownReportFormat
    = u"レポートの形式がわかりません (拡張子は .html, .xlsx, .csv のどれかにして下さい): %1"_s;
const QString kNoLimitWith = u"--no-limit は %1 と一緒には指定できません"_s;
const QString kNoLimitAlignWithNumeric = u"--no-limit と %1 は --numeric と一緒には指定できません"_s;
const QString kReportToOutputWithJson = u"--report - は --json と一緒には指定できません"_s;
const QString kBadOptionValue = u"%1 の値が正しくありません: %2"_s;
const QString kKeyWithAlign = u"--align と --key は一緒には指定できません"_s;
const QString kNeedsKey = u"%1 は --key と一緒に指定して下さい"_s;

// --sheet (2: both files), --sheet1 (0), --sheet2 (1), with or without "=VALUE"; -1 otherwise.
qsizetype sheetOption(const QString &argument)
{
    const QString name = argument.section(u'=', 0, 0);
    return name == u"--sheet"_s ? 2 : name == u"--sheet1"_s ? 0 : name == u"--sheet2"_s ? 1 : -1;
}

ParsedArguments refuse(const QString &error)
{
    return {std::nullopt, error};
}
} // namespace

QString usageText()
{
    // The comparison options' lines, from their table: the flag in a column as wide as the
    // others', or wider where the flag takes a value.
    static const QString usage = [] {
        QString text = kUsageHead;
        for (const CompareOptionRow &row : kCompareOptionTable) {
            const QString flag = u"  --"_s + row.name.toString() + row.valueSyntax.toString();
            text += flag.leftJustified(flag.size() + 2 <= kShortFlagWidth ? kShortFlagWidth
                                                                          : std::max(kLongFlagWidth, flag.size() + 2));
            text += row.help;
            text += u'\n';
        }
        return text + kUsageTail;
    }();
    return usage;
}

namespace
{
// --encoding (both files: -1), --encoding1 (0) and --encoding2 (1), alone or with =NAME.
std::optional<int> encodingOptionIndex(QStringView argument)
{
    const qsizetype equals = argument.indexOf(u'=');
    const QStringView name = equals < 0 ? argument : argument.first(equals);
    if (name == u"--encoding")
        return -1;
    if (name == u"--encoding1")
        return 0;
    if (name == u"--encoding2")
        return 1;
    return std::nullopt;
}
} // namespace

ParsedArguments parseArguments(const QStringList &arguments)
{
    CliArguments parsed;
    bool dump = false;
    bool help = false;
    std::optional<QString> delimiter;
    std::optional<QString> report;
    std::optional<QString> compareOption; // the first comparison option given, to name it if refused
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith(u"--") || argument == u"-") {
            parsed.files.append(argument);
        } else if (argument == u"--") {
            optionsEnded = true;
        } else if (argument == u"--dump") {
            dump = true;
        } else if (argument == u"--json") {
            parsed.json = true;
        } else if (argument == u"--explain") {
            parsed.explain = true;
        } else if (argument == u"--align") {
            parsed.align = true;
        } else if (argument == u"--align-columns") {
            parsed.alignColumns = true;
        } else if (argument == u"--key" || argument.startsWith(u"--key=")) {
            if (argument == u"--key" && i + 1 >= arguments.size())
                return refuse(kMissingValue.arg(argument));
            const QString list
                = argument == u"--key" ? arguments.at(++i) : argument.sliced(qsizetype(sizeof("--key=") - 1));
            parsed.keyColumns = keyColumnsFromText(list);
            if (parsed.keyColumns.empty())
                return refuse(kBadOptionValue.arg(u"--key"_s, list));
        } else if (argument == u"--header") {
            parsed.header = true;
        } else if (argument == u"--sort") {
            parsed.sort = true;
        } else if (argument == u"--no-limit") {
            parsed.noLimit = true;
        } else if (argument == u"--help") {
            help = true;
        } else if (argument == u"--report") {
            if (i + 1 >= arguments.size())
                return refuse(kMissingValue.arg(argument));
            report = arguments.at(++i);
        } else if (argument.startsWith(u"--report=")) {
            report = argument.sliced(qsizetype(sizeof("--report=") - 1));
        } else if (const std::optional<int> which = encodingOptionIndex(argument)) {
            const qsizetype equals = argument.indexOf(u'=');
            if (equals < 0 && i + 1 >= arguments.size())
                return refuse(kMissingValue.arg(argument));
            const QString name = equals < 0 ? arguments.at(++i) : argument.sliced(equals + 1);
            std::optional<TextEncoding> encoding;
            if (!encodingFromName(name, encoding))
                return refuse(kUnknownEncoding.arg(name));
            for (int file = 0; file < 2; ++file) {
                if (*which < 0 || *which == file)
                    parsed.encodings[size_t(file)] = encoding;
            }
        } else if (argument == u"--delimiter") {
            if (i + 1 >= arguments.size())
                return refuse(kMissingValue.arg(argument));
            delimiter = arguments.at(++i);
        } else if (argument.startsWith(u"--delimiter=")) {
            delimiter = argument.sliced(qsizetype(sizeof("--delimiter=") - 1));
        } else if (const qsizetype side = sheetOption(argument); side >= 0) {
            const qsizetype equals = argument.indexOf(u'=');
            if (equals < 0 && i + 1 >= arguments.size())
                return refuse(kMissingValue.arg(argument));
            const QString name = equals < 0 ? arguments.at(++i) : argument.sliced(equals + 1);
            if (name.isEmpty())
                return refuse(kMissingValue.arg(argument.left(equals)));
            for (size_t s = 0; s < 2; ++s) {
                if (side == 2 || size_t(side) == s)
                    parsed.sheets[s] = name;
            }
        } else if (argument == u"--list-equivalent") {
            parsed.listEquivalent = true;
        } else {
            // The comparison options, by the names the settings file gives them too.
            const qsizetype equals = argument.indexOf(u'=');
            const QStringView name = QStringView(argument).sliced(2, (equals < 0 ? argument.size() : equals) - 2);
            const std::optional<QStringView> value
                = equals < 0 ? std::nullopt : std::optional<QStringView>(QStringView(argument).sliced(equals + 1));
            // A column list may also come as the next argument: --skip-columns 3,5-7.
            const CompareOptionRow *row = compareOptionNamed(name);
            if (!value && row && row->value == CompareOptionValue::ColumnList) {
                if (i + 1 >= arguments.size())
                    return refuse(kMissingValue.arg(argument));
                const QString &list = arguments.at(++i);
                if (setCompareOption(parsed.compareOptions, name, list) != OptionName::Set)
                    return refuse(kBadOptionValue.arg(argument, list));
                compareOption = argument;
                continue;
            }
            switch (setCompareOption(parsed.compareOptions, name, value)) {
            case OptionName::Set:
                compareOption = argument;
                break;
            case OptionName::BadValue:
                return refuse(kBadOptionValue.arg(u"--"_s + name.toString(), value.value_or(QStringView()).toString()));
            case OptionName::Unknown:
                return refuse(kUnknownOption.arg(argument));
            }
        }
    }
    if (help) {
        parsed.command = CliArguments::Command::Help;
        return {parsed, {}};
    }
    if (!parsed.keyColumns.empty()) {
        if (parsed.align)
            return refuse(kKeyWithAlign);
        // Lining up by key is lining up: it needs the stored sheets, as --align does.
        parsed.align = true;
    } else if (parsed.header || parsed.sort) {
        return refuse(kNeedsKey.arg(parsed.header ? u"--header"_s : u"--sort"_s));
    }
    const QString alignOption = parsed.keyColumns.empty() ? u"--align"_s : u"--key"_s;
    if (delimiter) {
        // An empty or blank delimiter is left to the reader, which refuses it with the window's
        // own message.
        if (delimiterLength(*delimiter) > 1)
            return refuse(kDelimiterTooLong.arg(*delimiter));
        parsed.delimiterMode = 1;
        parsed.delimiter = *delimiter;
    } else {
        parsed.delimiterMode = 0;
        parsed.delimiter = u","_s;
    }
    if (dump) {
        // --json is accepted with --dump: a dump is JSON anyway. Lining up is part of comparing.
        if (parsed.align)
            return refuse(kOptionNotForDump.arg(alignOption));
        if (parsed.alignColumns)
            return refuse(kOptionNotForDump.arg(u"--align-columns"_s));
        if (parsed.explain)
            return refuse(kOptionNotForDump.arg(u"--explain"_s));
        if (report)
            return refuse(kOptionNotForDump.arg(u"--report"_s));
        if (parsed.noLimit)
            return refuse(kOptionNotForDump.arg(u"--no-limit"_s));
        if (compareOption)
            return refuse(kOptionNotForDump.arg(*compareOption));
        if (parsed.listEquivalent)
            return refuse(kOptionNotForDump.arg(u"--list-equivalent"_s));
        if (parsed.files.size() != 1)
            return refuse(kWrongFileCount);
        parsed.command = CliArguments::Command::Dump;
        return {parsed, {}};
    }
    if (parsed.files.size() != 2)
        return refuse(kWrongDiffFileCount);
    // The text report keeps its one line per position.
    if (parsed.explain && !parsed.json)
        return refuse(kExplainWithoutJson);
    if (report) {
        if (report->isEmpty())
            return refuse(kMissingValue.arg(u"--report"_s));
        if (*report == u"-"_s && parsed.json)
            return refuse(kReportToOutputWithJson);
        if (*report != u"-"_s && !reportFormatForPath(*report))
            return refuse(kUnknownReportFormat.arg(*report));
        parsed.report = *report;
    }
    // Only the comparison while reading goes past a sheet's limits, lining up included; reports,
    // explanations and sorting need the stored sheets.
    if (parsed.noLimit && (parsed.sort || report || parsed.explain))
        return refuse(kNoLimitWith.arg(parsed.sort ? u"--sort"_s : report ? u"--report"_s : u"--explain"_s));
    // Lining up by key while reading goes by the keys' hashes, which cannot group numbers within a
    // tolerance; whole rows are told apart by their texts.
    if (parsed.noLimit && !parsed.keyColumns.empty() && parsed.compareOptions.numeric)
        return refuse(kNoLimitAlignWithNumeric.arg(alignOption));
    parsed.command = CliArguments::Command::Diff;
    return {parsed, {}};
}

QString noKeyColumnText(int column)
{
    return u"キー列 %1 はどちらのファイルにもありません"_s.arg(column);
}
