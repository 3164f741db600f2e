#pragma once
// What a correct conversion of a generated file looks like, worked out from
// the generator's samples alone (never from the converter's code), and ways
// to write files whose header the generator would not produce.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/map_file_generator.h"

namespace testsupport {

// The grey levels of image k, row-major (index y * width + x): finite samples
// scaled from the smallest (0) to the largest (255), rounded half away from
// zero; non-finite samples and flat images black. spec.sample must be set.
std::vector<uint8_t> ExpectedGreyLevels(const MapSpec& spec, int image);

// "Max: " and the four bytes, in file order, of the first largest finite
// sample in reading order (column by column); the first sample when none is
// finite. spec.sample must be set.
std::string ExpectedMaxBytesRow(const MapSpec& spec, int image);

// A file of these header lines (each ended by CR LF, none added) followed
// by spec's sample block.
void WriteFileWithHeader(const std::string& path, const std::vector<std::string>& headerLines,
                         const MapSpec& spec);

// Writes bytes to path as they are; throws std::runtime_error when it cannot.
void WriteBytes(const std::string& path, const std::string& bytes);
// The whole file; "" when it cannot be read.
std::string ReadBytes(const std::string& path);

}  // namespace testsupport
