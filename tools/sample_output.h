// File output of the sample generator. Failures throw std::runtime_error
// with the path, which make-sample reports.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

void MakeDirectory(const std::string& path);  // with parents; fine if it exists
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace sample
