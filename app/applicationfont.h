#pragma once

// Makes the embedded Chinese font, at 10 points, every widget's default font.
void useEmbeddedFont();
