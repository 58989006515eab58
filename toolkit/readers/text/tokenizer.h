/* The line tokenizer of every text format (light, material, neutral, OBJ,
 * SLP files): physical lines of at most 1023 bytes (a longer line is read
 * as several, each counted), tokens split at blanks, tabs, CR and LF,
 * comments cut at a marker, a trailing backslash continuing the logical
 * line, numbers and colours converted whole with the uniform messages and a
 * position report (line, the line itself, a caret under the column).
 * The core reads a byte buffer; VLtok_open only fetches the bytes of a
 * file. Any byte sequence is accepted: a NUL byte reads as a blank. */
#ifndef VLX_READERS_TEXT_TOKENIZER_H
#define VLX_READERS_TEXT_TOKENIZER_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

/* Longest physical line, line feed included. */
#define VLTOK_LINEMAX 1023
/* Tokens of one physical line: enough for every token a line can hold, so
 * no token is ever dropped. */
#define VLTOK_MAXTOKENS ((VLTOK_LINEMAX + 1) / 2)

struct VLtokenizer {
  char *path;                     /* the name used in messages (a copy) */
  const char *data;               /* the bytes read (owned or the caller's) */
  size_t size;
  size_t pos;                     /* next unread byte */
  char *owned;                    /* the bytes a file entry point read, or null */
  const char *comment;            /* comment marker, or null for none */
  const char *continuation;       /* "\\" */
  int32_t line_number;            /* physical lines read so far */
  size_t raw_length;              /* bytes in raw_line */
  char raw_line[VLTOK_LINEMAX + 1];
  char work_line[VLTOK_LINEMAX + 1];
  int32_t count;                  /* tokens on the current line */
  char *tokens[VLTOK_MAXTOKENS];  /* into work_line */
  bool continued;                 /* the line ended with a continuation */
  int32_t index;                  /* tokens handed out; count + 1 past the end */
};

/* --- opening and closing --- */
/* The core: a tokenizer over size bytes that stay the caller's and must
 * outlive it. The first line is read. Never null. */
VLtokenizer *VLtok_openbytes(const char *path, const char *data, size_t size,
                             const char *comment);
/* A file: reads every byte of stream (from its position; left open), or of
 * path when stream is null. Null after "Can't open '%s' for input\n". */
VLtokenizer *VLtok_open(const char *path, FILE *stream, const char *comment);
/* Frees the tokenizer and the bytes it read; null is ignored. */
void VLtok_close(VLtokenizer *t);

/* --- lines and tokens --- */
/* Next physical line: 0 at the end of the data, else 1. */
int VLtok_readline(VLtokenizer *t);
/* Physical lines until one holds a token: 1, or 0 at the end. */
int VLtok_nextline(VLtokenizer *t);
/* Next token of the logical line (continued lines joined); null at its end. */
const char *VLtok_next(VLtokenizer *t);
/* Next token anywhere (empty lines skipped); null at the end of the data. */
const char *VLtok_nextany(VLtokenizer *t);
/* Gives back the last token of the current physical line: 1, or 0 when none. */
int VLtok_unget(VLtokenizer *t);
int VLtok_index(const VLtokenizer *t);
/* Position report for the last token handed out, extra bytes into it:
 * "Line %d in '%s'.\n", the line, a caret line, then message (if any).
 * 0 without printing when no token was handed out on this line. */
int VLtok_showpos(VLtokenizer *t, int extra, const char *message);

/* --- splitting --- */
/* Splits string in place at runs of delimiter characters; stores at most
 * maxparts pointers and returns how many (further parts are not split off:
 * the last part keeps the rest). */
int VLtok_split(char *string, char **parts, int maxparts, const char *delimiters);

/* --- conversions (messages name the item: "light position") --- */
/* One decimal float of the logical line. False after "%s missing.\n" or
 * "%s invalid.  Remember not to use punctuation.\n" (the value converted so
 * far is stored even then). */
bool VLtok_float(VLtokenizer *t, float *out, const char *name);
/* 2 or 3 floats in a row, stopping at the first failure. */
bool VLtok_float2(VLtokenizer *t, float out[2], const char *name);
bool VLtok_float3(VLtokenizer *t, float out[3], const char *name);
/* One decimal integer (32 bits); "%s missing.\n" or "%s invalid.\n". */
bool VLtok_int(VLtokenizer *t, int *out, const char *name);
/* A hexadecimal colour ("0x" optional): 0xRGB when the token is 5
 * characters long, else 0xRRGGBB; "%s missing.\n" or "%s invalid.\n". */
bool VLtok_hexcolor(VLtokenizer *t, uint8_t *r, uint8_t *g, uint8_t *b, const char *name);

/* Reports for readers that convert tokens themselves: the position (extra
 * bytes into the last token) and "%s missing.\n" / "%s invalid.\n";
 * both return false. */
bool VLtok_missing(VLtokenizer *t, const char *name);
bool VLtok_invalid(VLtokenizer *t, int extra, const char *name);

/* Silent conversions of a whole token, without messages: the number of
 * characters converted is stored in used (the token's length on success).
 * Floats are decimal and finite; integers fit 32 bits. */
bool VLtok_parsefloat(const char *token, float *out, size_t *used);
bool VLtok_parseint(const char *token, int *out, size_t *used);

#endif
