// The long and short forms of a path, as the file system names them. Both look at
// the file: never called on the UI thread (MayHoldShortNames only reads the text).
#pragma once

#include <string>

// Whether a path may name a file by a short (8.3) name: a full path with a
// component of that shape holding '~'. Looks at the text only; a real long name of
// that shape is asked about and comes back as it is.
bool MayHoldShortNames(const std::wstring& path);

// The path with every short (8.3) component in its long form, where the file is
// there; the path as given otherwise.
std::wstring LongPathOf(const std::wstring& path);

// The short form of a path that CP932 cannot hold exactly, in CP932, for the
// settings file's key that older versions read. Empty when the path needs none, or
// the volume gives none that CP932 holds (a volume without short names answers
// with the long path again).
std::string ShortPathOf(const std::wstring& path);
