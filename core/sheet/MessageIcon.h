#pragma once

// The icon of a message box. Below the user-interface seam, so that the file format can name the
// messages of a load without knowing how they are shown.
enum class MessageIcon { None, Critical, Exclamation, Information };
