-- The bundled protocol table: one row per protocol ID, serving decoders and speed domes alike.
-- Length is the frame length the protocol needs (0 for IDs without a protocol, whose frame would
-- carry only unset bytes; for IDs 38, 41, 45, 51 and 53, which size their frames themselves, the
-- longest of the decoder's; 4 for ID 15 and 7 for IDs 37 and 54, the frame of their dome
-- layout); BaseAddress is added to the camera address to give the address on the wire. Command
-- fields hold the command code; an empty (NULL) field means the command is not sent.
--
-- The dome fields: StayTime is the time a dome stays at each position of a programmed scan
-- (0 to 255, sent as two decimal digits or one byte); Slowest and Fastest are the speed values
-- that speed levels 0 and 10 stand for, levels between rounding half to even; 0 and 63 span a
-- six-bit speed value.
--
-- Codes are given for the two layouts whose command bits are public:
--  * ID 7 and 13, the four bytes command 1, command 2, pan speed, tilt speed of the 0xFF-sync
--    frame. Command 1: 0x01 focus near, 0x02 iris open, 0x04 iris close. Command 2: 0x02 right,
--    0x04 left, 0x08 up, 0x10 down, 0x20 zoom tele, 0x40 zoom wide, 0x80 focus far.
--  * ID 11 and 24, the four data bytes of the 0xA0...0xAF frame. Data 1: 0x01 focus far,
--    0x02 focus near, 0x04 iris open, 0x08 iris close. Data 2: 0x02 right, 0x04 left, 0x08 up,
--    0x10 down, 0x20 zoom tele, 0x40 zoom wide. Its address byte counts cameras from 0, hence
--    BaseAddress -1.
-- Pan and tilt moves run at speed 0x20; every Stop form is the all-zero code.
--
-- The auxiliary commands (Auto, AutoStop, Wipe, Heat, Light, Power) and the dome's Scan and
-- ScanStop have columns because several protocols give them frames of their own; no codes for
-- them are known that hold across decoders and domes, so they are left empty for each site to
-- fill in. `kavro table check` tells whether a
-- table's lengths and codes are fit to use.

CREATE TABLE Protocol (
    ID INTEGER NOT NULL UNIQUE,
    Length INTEGER NOT NULL,
    BaseAddress INTEGER NOT NULL DEFAULT 0,
    Up INTEGER, UpStop INTEGER, Down INTEGER, DownStop INTEGER,
    Left INTEGER, LeftStop INTEGER, Right INTEGER, RightStop INTEGER,
    ZoomInc INTEGER, ZoomIncStop INTEGER, ZoomDec INTEGER, ZoomDecStop INTEGER,
    FocusInc INTEGER, FocusIncStop INTEGER, FocusDec INTEGER, FocusDecStop INTEGER,
    IrisInc INTEGER, IrisIncStop INTEGER, IrisDec INTEGER, IrisDecStop INTEGER,
    Stop INTEGER, Auto INTEGER, AutoStop INTEGER,
    Wipe INTEGER, Heat INTEGER, Light INTEGER, Power INTEGER,
    Scan INTEGER, ScanStop INTEGER,
    StayTime INTEGER NOT NULL DEFAULT 5,
    Slowest INTEGER NOT NULL DEFAULT 0,
    Fastest INTEGER NOT NULL DEFAULT 63
);

INSERT INTO Protocol (ID, Length) VALUES
    (1, 6), (2, 2), (3, 2), (4, 16), (5, 6), (6, 2), (8, 5), (9, 6), (10, 3),
    (12, 7), (14, 9), (15, 4), (16, 4), (17, 3), (18, 5), (19, 7), (20, 11), (21, 7),
    (22, 8), (23, 7), (25, 3), (26, 2), (27, 7), (28, 17), (29, 3), (30, 2), (31, 8),
    (32, 0), (33, 6), (34, 4), (35, 0), (36, 0), (37, 7), (38, 6), (39, 9), (40, 0),
    (41, 8), (42, 9), (43, 3), (44, 7), (45, 26), (46, 6), (47, 8), (48, 6), (49, 11),
    (50, 7), (51, 12), (52, 0), (53, 4), (54, 7);

INSERT INTO Protocol (ID, Length, BaseAddress,
        Up, UpStop, Down, DownStop, Left, LeftStop, Right, RightStop,
        ZoomInc, ZoomIncStop, ZoomDec, ZoomDecStop,
        FocusInc, FocusIncStop, FocusDec, FocusDecStop,
        IrisInc, IrisIncStop, IrisDec, IrisDecStop, Stop) VALUES
    (7, 7, 0,
        0x00080020, 0, 0x00100020, 0, 0x00042000, 0, 0x00022000, 0,
        0x00200000, 0, 0x00400000, 0,
        0x00800000, 0, 0x01000000, 0,
        0x02000000, 0, 0x04000000, 0, 0),
    (13, 7, 0,
        0x00080020, 0, 0x00100020, 0, 0x00042000, 0, 0x00022000, 0,
        0x00200000, 0, 0x00400000, 0,
        0x00800000, 0, 0x01000000, 0,
        0x02000000, 0, 0x04000000, 0, 0),
    (11, 8, -1,
        0x00080020, 0, 0x00100020, 0, 0x00042000, 0, 0x00022000, 0,
        0x00200000, 0, 0x00400000, 0,
        0x01000000, 0, 0x02000000, 0,
        0x04000000, 0, 0x08000000, 0, 0),
    (24, 8, -1,
        0x00080020, 0, 0x00100020, 0, 0x00042000, 0, 0x00022000, 0,
        0x00200000, 0, 0x00400000, 0,
        0x01000000, 0, 0x02000000, 0,
        0x04000000, 0, 0x08000000, 0, 0);
