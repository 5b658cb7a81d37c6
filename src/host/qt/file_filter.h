// The file dialog's filter text, from the Windows form to Qt's.
#pragma once

#include <string>

namespace qw {

// "Pictures|*.bmp;*.png|All|*.*" becomes "Pictures (*.bmp *.png);;All (*)". A label without
// a pattern matches every file; an empty filter gives an empty text (all files).
std::string QtFileFilter(const std::string& windowsFilter);

}  // namespace qw
