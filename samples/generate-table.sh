#!/usr/bin/env bash
# Writes a COLS x ROWS table in the drawing server's text format: a closed
# border, one line per inner edge, one text per cell ("R<row>C<col>"), or
# with "mtext" one multiline text per cell, top-left attached, in a height group.
# Usage: samples/generate-table.sh [COLS [ROWS [mtext]]] > table.txt
cols="${1:-100}"; rows="${2:-100}"; kind="${3:-text}"
awk -v cols="$cols" -v rows="$rows" -v kind="$kind" 'BEGIN {
  w = 20; h = 8
  printf "# %d x %d generated table\nname C:\\drawings\\table%dx%d.dwg\n", cols, rows, cols, rows
  printf "polyline closed 0 0 %d 0 %d %d 0 %d\n", cols * w, cols * w, -rows * h, -rows * h
  for (c = 1; c < cols; c++) printf "line %d 0 %d %d\n", c * w, c * w, -rows * h
  for (r = 1; r < rows; r++) printf "line 0 %d %d %d\n", -r * h, cols * w, -r * h
  for (r = 0; r < rows; r++)
    for (c = 0; c < cols; c++)
      if (kind == "mtext")
        printf "mtext 1 %d %d 0 2.5 {\\H2.5;R%dC%d}\n", c * w + 2, -r * h - 1, r + 1, c + 1
      else
        printf "text 0 %d %d 0 0 R%dC%d\n", c * w + 2, -r * h - 6, r + 1, c + 1
}'
