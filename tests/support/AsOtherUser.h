#pragma once

#include <QByteArray>

#include <functional>
#include <optional>

// Root may write any file, so what a person may not do is tried as someone else: `work` runs in
// this process when it is not root, else in a child process that has dropped to the user nobody
// (uid and gid 65534, no other groups). Returns what `work` returned; nothing when the child could
// not drop root. Files `work` touches must be reachable by that user.
[[nodiscard]] std::optional<QByteArray> runAsOtherUser(const std::function<QByteArray()> &work);
