// Whether a downloaded installation package can be one. Without a published
// digest anything the server answered with 200 would be taken: an empty
// body, an error page, a program name over something that is no program.
#pragma once

#include <cstdint>
#include <string>

namespace update {

// Why the file `name` of `size` bytes, served as `contentType` and beginning
// with `head`, is no package; empty when nothing speaks against it. Refused:
// an empty file, one served as "text/html" (any parameters and letter case),
// and one named ".exe" (any letter case) that does not begin with "MZ", the
// mark of every Windows program.
std::string PackageProblem(const std::string& name, uint64_t size, const std::string& contentType,
                           const std::string& head);

}  // namespace update
