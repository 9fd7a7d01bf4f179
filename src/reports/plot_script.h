// The gnuplot script that turns the data files into PNG pictures.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "run/run_parameters.h"

namespace vestrel {

// The name as gnuplot reads it between single quotes: each quote doubled.
std::string quotedForScript(const std::string& name);

// The terminal line for the graph size; `tall` asks for the multiplot
// canvas, 1.3 times as high.
std::string terminalLine(std::int32_t graphSize, bool tall);

// The GC-content picture (without multiplot) and the head of the curve picture.
void writePlotHead(std::FILE* script, const RunParameters& parameters, const std::string& stem,
                   std::uint32_t length);

// The plot command of the curve, with the split points and coordinates when
// there are any.
void writePlotCommand(std::FILE* script, const std::string& stem, std::int32_t plotRangeEnd,
                      std::int32_t splitPointCount, std::int32_t coordinateCount);

// The rest of the script, by mode: the GC-content and density pictures.
void writePlotTail(std::FILE* script, const RunParameters& parameters, const std::string& stem,
                   std::uint32_t length);

}  // namespace vestrel
