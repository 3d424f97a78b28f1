// One input of each fuzz target: run by the libFuzzer targets, and by the regression test
// that runs every kept seed in every build.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzing {

/// A drawing file's bytes: they read, or fail with a DxfError naming the file and line; a
/// drawing that reads is written, and what is written reads again with every entity; read
/// with its ENTITIES section in two parts at once, it gives the same mends and written text.
/// The broken invariant; empty when all holds.
std::string oneDrawing(const std::uint8_t* data, std::size_t size);

/// A script's bytes: its lines taken as a script session takes them and the host commands
/// among them run (a drawing is neither opened nor saved), then the drawing they made is
/// written and read again. The broken invariant; empty when all holds.
std::string oneScript(const std::uint8_t* data, std::size_t size);

}  // namespace fuzzing
