#pragma once

// The key codes of the sheets' and edit boxes' keyDown() events, as a grid reports them: the
// codes of the keys on a US keyboard, letters and digits as their ASCII capitals and digits. The
// view turns Qt's keys into these once (SheetView::gridKeyCode); every handler compares with them.
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyShift = 16;
inline constexpr int kKeyControl = 17;
inline constexpr int kKeyAlt = 18;
inline constexpr int kKeyPause = 19;
inline constexpr int kKeyCapsLock = 20;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeyHenkan = 28;
inline constexpr int kKeyMuhenkan = 29;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeyPageUp = 33;
inline constexpr int kKeyPageDown = 34;
inline constexpr int kKeyEnd = 35;
inline constexpr int kKeyHome = 36;
inline constexpr int kKeyLeft = 37;
inline constexpr int kKeyUp = 38;
inline constexpr int kKeyRight = 39;
inline constexpr int kKeyDown = 40;
inline constexpr int kKeyPrint = 44;
inline constexpr int kKeyInsert = 45;
inline constexpr int kKeyDelete = 46;
inline constexpr int kKeyMeta = 91;
inline constexpr int kKeyMenu = 93;
inline constexpr int kKeyF1 = 112; // F2 to F12 follow in order
inline constexpr int kKeyF8 = kKeyF1 + 7;
inline constexpr int kKeyNumLock = 144;
inline constexpr int kKeyScrollLock = 145;
// The symbol keys of a US keyboard, each with its shifted symbol.
inline constexpr int kKeySemicolon = 186; // ; :
inline constexpr int kKeyEqual = 187; // = +
inline constexpr int kKeyComma = 188; // , <
inline constexpr int kKeyMinus = 189; // - _
inline constexpr int kKeyPeriod = 190; // . >
inline constexpr int kKeySlash = 191; // / ?
inline constexpr int kKeyBackquote = 192; // ` ~
inline constexpr int kKeyBracketLeft = 219; // [ {
inline constexpr int kKeyBackslash = 220; // \ | ¥
inline constexpr int kKeyBracketRight = 221; // ] }
inline constexpr int kKeyQuote = 222; // ' "
// A key stroke the input method takes for a composition.
inline constexpr int kKeyProcess = 229;
inline constexpr int kKeyHiraganaKatakana = 242;
inline constexpr int kKeyZenkakuHankaku = 243;
// A key without a code of its own (a kana key, an unknown one).
inline constexpr int kKeyOther = 255;

// The shift states of the key and mouse events, one bit each.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

// The character code of keyPress() for Enter.
inline constexpr int kAsciiEnter = 13;
