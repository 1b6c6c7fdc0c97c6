/* Message boxes, rectangle tests, up/down pictures and text helpers. */
#ifndef KAVRO_C_UI_H
#define KAVRO_C_UI_H

#include "kavro/c/base.h"

/* ---- Message boxes ---------------------------------------------------------------------------
 * Each shows a box with the message (a zero-terminated GBK text), a single OK button, the icon of
 * its kind and a fixed caption, and blocks the calling thread until it is dismissed. Result: 1
 * once the user dismissed it, however; 0 when no box could be shown. Captions (GBK):
 *   _QuestionMessage  "\xCC\xE1\xCA\xBE\xA3\xA1" (Notice!)  style 0x20 (question icon)
 *   _QuestionMessageA "question"                            style 0x20
 *   _SuccessMessage   "\xCC\xE1\xCA\xBE\xA3\xA1" (Notice!)  style 0x40 (information icon)
 *   _SuccessMessageA  "" (an empty title bar)               style 0x40
 *   _WarningMessage   "\xBE\xAF\xB8\xE6\xA3\xA1" (Warning!) style 0x30 (warning icon)
 *   _WarningMessageA  "warning"                             style 0x30
 *   _ErrorMessage     "\xB4\xED\xCE\xF3\xA3\xA1" (Error!)   style 0x10 (error icon)
 *   _ErrorMessageA    "error"                               style 0x10
 * The built-in box is a dialog on the X display DISPLAY names (through the zenity program);
 * without a display or without the program none is shown and the result is 0. On Windows it is
 * MessageBoxA with no owner window, returning what that returns. A NULL message is shown as the
 * empty text. */
KAVRO_API int32_t KAVRO_CALL _QuestionMessage(const char* message);
KAVRO_API int32_t KAVRO_CALL _QuestionMessageA(const char* message);
KAVRO_API int32_t KAVRO_CALL _SuccessMessage(const char* message);
KAVRO_API int32_t KAVRO_CALL _SuccessMessageA(const char* message);
KAVRO_API int32_t KAVRO_CALL _WarningMessage(const char* message);
KAVRO_API int32_t KAVRO_CALL _WarningMessageA(const char* message);
KAVRO_API int32_t KAVRO_CALL _ErrorMessage(const char* message);
KAVRO_API int32_t KAVRO_CALL _ErrorMessageA(const char* message);

/* A host with its own user interface (or a test) shows the boxes itself: every box, those the
 * library shows of its own accord included, goes to the presenter with the message, the caption
 * and the style value above, and the box function returns what the presenter returns. It may be
 * called on any thread that shows a box, several at once. NULL brings back the built-in box. */
typedef int32_t(KAVRO_CALL* kavro_message_box_presenter)(void* context, const char* message,
                                                         const char* caption, uint32_t style);
KAVRO_API void KAVRO_CALL kavro_set_message_box_presenter(kavro_message_box_presenter presenter,
                                                          void* context);

/* ---- Rectangles ---------------------------------------------------------------------------
 * Each takes the first rectangle's left, top, right and bottom, then the second's (y grows
 * downwards; edges belong to the rectangle). */

/* True when the first rectangle touches or crosses the second one's outline, or covers it; false
 * when they are apart or the first lies strictly inside the second. */
KAVRO_API bool KAVRO_CALL _TestRectContain_Joint(int32_t left1, int32_t top1, int32_t right1,
                                                 int32_t bottom1, int32_t left2, int32_t top2,
                                                 int32_t right2, int32_t bottom2);
/* True when a vertical side of one rectangle meets a horizontal side of the other, ends and
 * crossings included; false when one lies strictly inside the other. */
KAVRO_API bool KAVRO_CALL _TestRectsJointed(int32_t left1, int32_t top1, int32_t right1,
                                            int32_t bottom1, int32_t left2, int32_t top2,
                                            int32_t right2, int32_t bottom2);

/* ---- Pictures and image controls ------------------------------------------------------------
 * A picture holds one BMP file. The host creates it, hands it to an image control, shows it from
 * its bytes, and frees it. */
typedef struct kavro_picture kavro_picture;

/* An empty picture; NULL when out of memory. */
KAVRO_API kavro_picture* KAVRO_CALL kavro_picture_new(void);
KAVRO_API void KAVRO_CALL kavro_picture_free(kavro_picture* picture);
/* Size and bits per pixel of the loaded bitmap; 0 while the picture is empty. */
KAVRO_API int32_t KAVRO_CALL kavro_picture_width(const kavro_picture* picture);
KAVRO_API int32_t KAVRO_CALL kavro_picture_height(const kavro_picture* picture);
KAVRO_API int32_t KAVRO_CALL kavro_picture_bits_per_pixel(const kavro_picture* picture);
/* The BMP file as loaded (headers included) and its size in *size; NULL and 0 while empty. Valid
 * until the picture loads another file or is freed. */
KAVRO_API const unsigned char* KAVRO_CALL kavro_picture_bytes(const kavro_picture* picture,
                                                              size_t* size);

/* The host's image control, as the up/down picture switch sees it. */
typedef struct kavro_image_control {
    kavro_string* name;     /* component name, e.g. "BtnZoomIn" (the control's string) */
    kavro_picture* picture; /* the picture the control shows; the library loads into it */
    /* Called after a new picture was loaded, so the host can redraw the control; may be NULL. */
    void(KAVRO_CALL* picture_changed)(struct kavro_image_control* control);
    void* host_data; /* the host's own; never touched */
} kavro_image_control;

/* Loads the control's up (up true) or down picture: the file is the directory text, the
 * component name without its first three characters, and "Up.bmp" or "Down.bmp", with no
 * separator put in (BtnZoomIn and "/images/" give "/images/ZoomInUp.bmp"). When it is missing or
 * is not a readable BMP file, the picture keeps what it showed and the error box
 * (_ErrorMessage with "\xD5\xD2\xB2\xBB\xB5\xBD\xB1\xB3\xBE\xB0\xCD\xBC\xC6\xAC!!", background
 * picture not found) is shown once. A NULL control, or one without a picture, is left alone and
 * nothing is shown. directory is borrowed. */
KAVRO_API void KAVRO_CALL _ShowIcnUp_Down(kavro_string* directory, kavro_image_control* control,
                                          bool up);

/* ---- Text helpers -------------------------------------------------------------------------
 * Byte by byte in the system code page. The result slot comes first, as for the text results of
 * kavro/c/host.h; text is borrowed. */

/* The text without its spaces (0x20 only; tabs stay). */
KAVRO_API kavro_string** KAVRO_CALL _TrimSpace(kavro_string** result, kavro_string* text);
/* The text with every underscore doubled ("a_b" gives "a__b"). */
KAVRO_API kavro_string** KAVRO_CALL _EncoderMessage(kavro_string** result, kavro_string* text);

/* The password number of a 32-bit seed and a zero-terminated text: for each text byte c, with k
 * the seed's low byte and R0..R3 the bytes of the running value (R0 least significant), modulo
 * 256: R0 += k ^ c; R1 -= k + c; R2 ^= c - k; R3 += R0 ^ R1. The text's bytes are taken as
 * unsigned. An empty (or NULL) text gives the seed back; seed 0 and "abc" give 0xF860DA26.
 * Seed and result are bit patterns: hosts that declare them as signed int get the same bits. */
KAVRO_API uint32_t KAVRO_CALL _GeneratePassword(uint32_t seed, const char* text);

#endif /* KAVRO_C_UI_H */
