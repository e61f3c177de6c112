// The digests of the game data this build generated: the first megabyte of
// the base archive "zzzz.saf" and the seven stock collision shapes, as 40
// lower-case hexadecimal digits. The source is written at build time.
#pragma once

extern const char game_data_digest_hex[];
extern const char stock_shapes_digest_hex[];
