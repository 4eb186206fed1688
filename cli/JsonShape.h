#pragma once

#include "CompareResult.h"

#include <QByteArray>

#include <array>

// The middle of rowlark-diff's JSON result, the same whether the files were compared while read
// or stored: `, "sizesDiffer": …, "rows": […], "cols": […], "complete": […], "cells": [`.
inline void appendJsonShape(QByteArray &buffer, const CompareResult &result, const std::array<bool, 2> &complete)
{
    buffer.append(", \"sizesDiffer\": ");
    buffer.append(result.sizesDiffer ? "true" : "false");
    buffer.append(", \"rows\": [");
    buffer.append(QByteArray::number(result.rows[0]));
    buffer.append(", ");
    buffer.append(QByteArray::number(result.rows[1]));
    buffer.append("], \"cols\": [");
    buffer.append(QByteArray::number(result.cols[0]));
    buffer.append(", ");
    buffer.append(QByteArray::number(result.cols[1]));
    buffer.append("], \"complete\": [");
    buffer.append(complete[0] ? "true" : "false");
    buffer.append(", ");
    buffer.append(complete[1] ? "true" : "false");
    buffer.append("], \"cells\": [");
}
