/* The host, message box, rectangle, picture and text exports as a C host calls them. */
#include <kavro/kavro_public.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "c_abi_suites.h"

struct shown_boxes {
    int count;
    char caption[64];
    char message[64];
    uint32_t style;
};

static int32_t KAVRO_CALL record_box(void* context, const char* message, const char* caption,
                                     uint32_t style) {
    struct shown_boxes* boxes = (struct shown_boxes*)context;
    ++boxes->count;
    snprintf(boxes->caption, sizeof boxes->caption, "%s", caption);
    snprintf(boxes->message, sizeof boxes->message, "%s", message);
    boxes->style = style;
    return 1;
}

static int text_is(const kavro_string* s, const char* expected) {
    return kavro_string_length(s) == strlen(expected) &&
           strcmp(kavro_string_data(s), expected) == 0;
}

static void text_helpers(void) {
    kavro_string* text = kavro_string_from_cstr("  a_b c ");
    kavro_string* result = kavro_string_from_cstr("old value");

    CHECK(_TrimSpace(&result, text) == &result);
    CHECK(text_is(result, "a_bc"));
    CHECK(_EncoderMessage(&result, text) == &result);
    CHECK(text_is(result, "  a__b c "));
    CHECK(kavro_string_ref_count(text) == 1); /* the argument was given back */
    CHECK(kavro_string_ref_count(result) == 1);

    _TrimSpace(&result, NULL); /* the empty text */
    CHECK(result == NULL);

    CHECK(_GeneratePassword(0, "abc") == 0xF860DA26u);
    CHECK(_GeneratePassword(0x12345678u, "") == 0x12345678u);
    kavro_string_release(text);
}

static void host_facts(void) {
    kavro_string* result = NULL;
    kavro_string* name = kavro_string_from_cstr("127.0.0.1");
    kavro_system_info info;

    _GetIPAdress(&result);
    CHECK(result == NULL);
    _GetHostIP(&result, name);
    CHECK(text_is(result, "127.0.0.1"));
    CHECK(kavro_string_ref_count(name) == 1);
    _GetComputeName(&result);
    CHECK(kavro_string_length(result) > 0);
    kavro_string_release(result);

    memset(&info, 0xAB, sizeof info);
    info.LocalAddress = kavro_string_from_cstr("stale");
    info.ComputerName = NULL;
    info.ServerAddress = NULL;
    info.ServerName = NULL;
    _InitSystemInfo(&info);
    CHECK(info.LocalAddress == NULL);
    CHECK(kavro_string_length(info.ComputerName) > 0);
    CHECK(info.IsVersion5 == 0 && info.Reserved == 0 && info.MemoryMB > 0);
    CHECK(info.ScreenWidth == 0 && info.IsDisplay1024x768 == 0); /* no display here */
    CHECK(info.unused_1 == 0xAB && info.unused_2 == 0xAB && info.unused_3 == 0xAB);
    CHECK(info.host_fields[0] == 0xAB && info.ServerResolved == 0xAB); /* server fields alone */

    /* No server name: nothing changes, the flag included. */
    _GetServerIP(&info);
    CHECK(info.ServerAddress == NULL && info.ServerResolved == 0xAB);
    info.ServerName = kavro_string_from_cstr("localhost");
    _GetServerIP(&info);
    CHECK(text_is(info.ServerAddress, "127.0.0.1") && info.ServerResolved == 1);
    /* An address already there is kept, whatever it holds. */
    kavro_string_release(info.ServerAddress);
    info.ServerAddress = kavro_string_from_cstr("not an address");
    info.ServerResolved = 0;
    _GetServerIP(&info);
    CHECK(text_is(info.ServerAddress, "not an address") && info.ServerResolved == 0);

    _GetServerIP(NULL);
    _InitSystemInfo(NULL);
    kavro_string_release(info.LocalAddress);
    kavro_string_release(info.ComputerName);
    kavro_string_release(info.ServerAddress);
    kavro_string_release(info.ServerName);
    kavro_string_release(name);
}

static void programs(void) {
    kavro_string* missing = kavro_string_from_cstr("/nonexistent/program --flag");
    kavro_string* title = kavro_string_from_cstr("Nothing");
    _StartApplication(missing); /* nothing starts, nothing is reported */
    _StartApplication(NULL);
    _CloseApplication(title); /* no display: nothing happens */
    CHECK(kavro_string_ref_count(missing) == 1 && kavro_string_ref_count(title) == 1);
    kavro_string_release(missing);
    kavro_string_release(title);
}

static void boxes_and_pictures(void) {
    struct shown_boxes boxes;
    kavro_image_control control;
    kavro_string* directory = kavro_string_from_cstr("/nonexistent/pictures/");
    size_t size = 99;

    memset(&boxes, 0, sizeof boxes);
    CHECK(_QuestionMessage("x") == 0); /* the built-in box, without a display */

    kavro_set_message_box_presenter(record_box, &boxes);
    CHECK(_WarningMessageA("Camera 3 is offline") == 1);
    CHECK(boxes.count == 1 && strcmp(boxes.caption, "warning") == 0 && boxes.style == 0x30);
    CHECK(strcmp(boxes.message, "Camera 3 is offline") == 0);
    CHECK(_SuccessMessage(NULL) == 1 && strcmp(boxes.message, "") == 0);
    CHECK(strcmp(boxes.caption, "\xCC\xE1\xCA\xBE\xA3\xA1") == 0 && boxes.style == 0x40);

    CHECK(_TestRectContain_Joint(0, 0, 30, 30, 10, 10, 20, 20));
    CHECK(!_TestRectsJointed(0, 0, 30, 30, 10, 10, 20, 20));
    CHECK(_TestRectsJointed(0, -5, 10, 15, -5, 0, 15, 10));

    boxes.count = 0;
    control.name = kavro_string_from_cstr("BtnZoomIn");
    control.picture = kavro_picture_new();
    control.picture_changed = NULL;
    control.host_data = NULL;
    _ShowIcnUp_Down(directory, NULL, true);
    CHECK(boxes.count == 0);
    _ShowIcnUp_Down(directory, &control, true);
    CHECK(boxes.count == 1 && boxes.style == 0x10);
    CHECK(strcmp(boxes.caption, "\xB4\xED\xCE\xF3\xA3\xA1") == 0);
    CHECK(strcmp(boxes.message, "\xD5\xD2\xB2\xBB\xB5\xBD\xB1\xB3\xBE\xB0\xCD\xBC\xC6\xAC!!") == 0);
    CHECK(kavro_picture_width(control.picture) == 0);
    CHECK(kavro_picture_bytes(control.picture, &size) == NULL && size == 0);
    CHECK(kavro_string_ref_count(directory) == 1 && kavro_string_ref_count(control.name) == 1);

    kavro_set_message_box_presenter(NULL, NULL);
    kavro_picture_free(control.picture);
    kavro_string_release(control.name);
    kavro_string_release(directory);
}

void kavro_c_abi_host_ui_tests(void) {
    unsetenv("DISPLAY"); /* the boxes and window search must find no display */
    text_helpers();
    host_facts();
    programs();
    boxes_and_pictures();
}
