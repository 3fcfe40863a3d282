#pragma once

// Records `seconds` of sound into demo.mp3 in the output folder and saves demo.bmp; 0 on success.
int RunDemo(int seconds);
