// "analisis-musical.json": a six-line JSON document with a fixed key order.
#pragma once
#include <string>

#include "analysis/analysis_model.h"

std::string analysisReport(const Analysis& analysis);
