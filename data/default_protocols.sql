-- The bundled protocol tables.
--
-- Protocol: one row per protocol ID, read by `kavro decoder` (and by `kavro dome` when a site
-- table is named with --db). DomeProtocol: one row per dome layout, read by `kavro dome`. Two
-- tables, because the decoder and the dome layout of one ID take their command bytes from
-- different bytes of the code: under ID 23 a decoder sends the code's two low bytes and fixed
-- speeds, a dome the three high bytes and the caller's parameter.
--
-- Length is the frame length the protocol needs (0 for IDs without a protocol, whose frame
-- would carry only unset bytes; for IDs 38, 41, 45, 51 and 53, which size their frames
-- themselves, the longest of the decoder's; 4 for ID 15 and 7 for IDs 37 and 54, the frame of
-- their dome layout); BaseAddress is added to the camera address to give the address on the
-- wire. Command fields hold the command code, its four bytes C3 C2 C1 C0 from the most
-- significant; an empty (NULL) field means the command is not sent.
--
-- The dome fields: StayTime is the time a dome stays at each position of a programmed scan
-- (0 to 255, sent as two decimal digits or one byte); Slowest and Fastest are the speed values
-- that speed levels 0 and 10 stand for, levels between rounding half to even; 0 and 63 span a
-- six-bit speed value.
--
-- Codes are given for the rows whose layout is one of the two frames whose command bits are
-- public. Every other row holds only its Length: its codes are each site's to fill in.
--
-- The 0xFF frame: FF, address, command 1, command 2, data 1, data 2, byte sum of bytes 1 to 5.
--   command 1: 0x80 sense, 0x10 auto/manual scan, 0x08 camera on/off, 0x04 iris close,
--              0x02 iris open, 0x01 focus near. With the sense bit set, 0x10 turns auto scan
--              on and 0x08 the camera on; with it clear, they select manual scan and camera off.
--   command 2: 0x80 focus far, 0x40 zoom wide, 0x20 zoom tele, 0x10 down, 0x08 up, 0x04 left,
--              0x02 right; bit 0 set marks an extended command, whose number is command 2:
--              0x03 set preset, 0x05 clear preset, 0x07 go to preset, 0x09 set auxiliary,
--              0x0B clear auxiliary, with the preset or auxiliary number in data 2.
--   data 1: pan speed 0x00 to 0x3F; data 2: tilt speed 0x00 to 0x3F. Addresses count from 1.
-- The 0xA0 ... 0xAF frame: A0, address, data 1, data 2, data 3, data 4, AF, exclusive-or.
--   data 1: 0x40 camera on, 0x20 auto scan on, 0x10 camera on/off, 0x08 iris close,
--           0x04 iris open, 0x02 focus near, 0x01 focus far.
--   data 2: 0x40 zoom wide, 0x20 zoom tele, 0x10 down, 0x08 up, 0x04 left, 0x02 right; the
--           extended commands as above (0x03, 0x05, 0x07, 0x09, 0x0B), their number in data 4.
--   data 3: pan speed; data 4: tilt speed. Addresses count from 0, hence BaseAddress -1.
-- A command ends when the next one arrives without its bit, so every Stop form is the code with
-- no function bit: all zeros. Auto scan ends the same way under the 0xA0 frame, which has no
-- bit for manual scan.
-- Auxiliary outputs: this table wires Wipe to auxiliary 1, Light to 2 and Heat to 3 (set with
-- the plain name, cleared with its Stop form); a site wired otherwise changes the low byte.
-- Power switches the camera on, PowerStop off.

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
    Wipe INTEGER, WipeStop INTEGER, Heat INTEGER, HeatStop INTEGER,
    Light INTEGER, LightStop INTEGER, Power INTEGER, PowerStop INTEGER,
    Scan INTEGER, ScanStop INTEGER,
    StayTime INTEGER NOT NULL DEFAULT 5,
    Slowest INTEGER NOT NULL DEFAULT 0,
    Fastest INTEGER NOT NULL DEFAULT 63
);

INSERT INTO Protocol (ID, Length) VALUES
    (1, 6), (2, 2), (3, 2), (4, 16), (5, 6), (6, 2), (7, 7), (8, 5), (9, 6), (10, 3),
    (11, 8), (12, 7), (13, 7), (14, 9), (15, 4), (16, 4), (17, 3), (18, 5), (19, 7), (20, 11),
    (21, 7), (22, 8), (23, 7), (24, 8), (25, 3), (26, 2), (27, 7), (28, 17), (29, 3), (30, 2),
    (31, 8), (32, 0), (33, 6), (34, 4), (35, 0), (36, 0), (37, 7), (38, 6), (39, 9), (40, 0),
    (41, 8), (42, 9), (43, 3), (44, 7), (45, 26), (46, 6), (47, 8), (48, 6), (49, 11),
    (50, 7), (51, 12), (52, 0), (53, 4), (54, 7);

-- The codes, by which bytes of the code each layout sends. Decoders 7 and 13 send all four code
-- bytes as command 1, command 2, data 1, data 2; 11 and 24 as data 1 to data 4, twice. 23 and
-- 44 send the two low bytes as command 1 and command 2 with both speeds 0x20, twice (names
-- beginning Heat, Wipe or Ligh: all four bytes once; names beginning Auto: a fixed auto-scan
-- frame, then all four bytes). 22 sends the two low bytes as data 1 and data 2 with both speeds
-- 0 (names beginning Heat, Wipe or Ligh: all four bytes). 47 sends names beginning Focu, Zoom or
-- Iris as the two low bytes in data 1 and data 2 with both speeds 0, other names as all four
-- bytes; each frame twice.
UPDATE Protocol SET BaseAddress = -1 WHERE ID IN (11, 24, 22, 47);

UPDATE Protocol SET
    UpStop = 0, DownStop = 0, LeftStop = 0, RightStop = 0, ZoomIncStop = 0, ZoomDecStop = 0,
    FocusIncStop = 0, FocusDecStop = 0, IrisIncStop = 0, IrisDecStop = 0, Stop = 0
WHERE ID IN (7, 13, 23, 44, 11, 24, 22, 47);

-- The extended commands read alike in both frames, and every layout sends them whole.
UPDATE Protocol SET
    Wipe      = 0x00090001,  -- set auxiliary 1
    WipeStop  = 0x000B0001,  -- clear auxiliary 1
    Light     = 0x00090002,  -- set auxiliary 2
    LightStop = 0x000B0002,  -- clear auxiliary 2
    Heat      = 0x00090003,  -- set auxiliary 3
    HeatStop  = 0x000B0003   -- clear auxiliary 3
WHERE ID IN (7, 13, 23, 44, 11, 24, 22, 47);

-- Moves with their speed, all four bytes (command 2 or data 2 hold the same direction bits).
UPDATE Protocol SET
    Up        = 0x00080020,  -- up, tilt speed 0x20
    Down      = 0x00100020,  -- down, tilt speed 0x20
    Left      = 0x00042000,  -- left, pan speed 0x20
    Right     = 0x00022000   -- right, pan speed 0x20
WHERE ID IN (7, 13, 11, 24, 47);

-- Moves in the two low bytes, the layout adding the speeds.
UPDATE Protocol SET
    Up        = 0x0008,      -- up
    Down      = 0x0010,      -- down
    Left      = 0x0004,      -- left
    Right     = 0x0002       -- right
WHERE ID IN (23, 44, 22);

UPDATE Protocol SET
    ZoomInc   = 0x00200000,  -- zoom tele
    ZoomDec   = 0x00400000   -- zoom wide
WHERE ID IN (7, 13, 11, 24);

UPDATE Protocol SET
    ZoomInc   = 0x0020,      -- zoom tele
    ZoomDec   = 0x0040       -- zoom wide
WHERE ID IN (23, 44, 22, 47);

-- The 0xFF frame: focus far is a bit of command 2, the rest of command 1.
UPDATE Protocol SET
    FocusInc  = 0x00800000,  -- focus far
    FocusDec  = 0x01000000,  -- focus near
    IrisInc   = 0x02000000,  -- iris open
    IrisDec   = 0x04000000,  -- iris close
    Power     = 0x88000000,  -- sense + camera on/off: camera on
    PowerStop = 0x08000000   -- camera on/off without sense: camera off
WHERE ID IN (7, 13);

UPDATE Protocol SET
    FocusInc  = 0x0080,      -- focus far
    FocusDec  = 0x0100,      -- focus near
    IrisInc   = 0x0200,      -- iris open
    IrisDec   = 0x0400,      -- iris close
    Power     = 0x8800,      -- camera on
    PowerStop = 0x0800       -- camera off
WHERE ID IN (23, 44);

UPDATE Protocol SET
    Auto      = 0x90000000,  -- sense + auto scan: auto scan on
    AutoStop  = 0x10000000   -- auto scan without sense: manual scan
WHERE ID IN (7, 13, 23, 44);

-- The 0xA0 frame: the lens and the camera in data 1.
UPDATE Protocol SET
    FocusInc  = 0x01000000,  -- focus far
    FocusDec  = 0x02000000,  -- focus near
    IrisInc   = 0x04000000,  -- iris open
    IrisDec   = 0x08000000   -- iris close
WHERE ID IN (11, 24);

UPDATE Protocol SET
    FocusInc  = 0x0100,      -- focus far
    FocusDec  = 0x0200,      -- focus near
    IrisInc   = 0x0400,      -- iris open
    IrisDec   = 0x0800       -- iris close
WHERE ID IN (22, 47);

UPDATE Protocol SET
    Auto      = 0x20000000,  -- auto scan on
    AutoStop  = 0,           -- no auto scan bit
    Power     = 0x50000000,  -- camera on + camera on/off: camera on
    PowerStop = 0x10000000   -- camera on/off alone: camera off
WHERE ID IN (11, 24, 47);

UPDATE Protocol SET
    Auto      = 0x2000,      -- auto scan on
    AutoStop  = 0,           -- no auto scan bit
    Power     = 0x5000,      -- camera on
    PowerStop = 0x1000       -- camera off
WHERE ID = 22;

-- The dome table. Every dome layout puts the caller's parameter into the frame (for the coded
-- rows: data 2 or data 4, the tilt speed of a move, the number of a preset or an auxiliary
-- output), so the presets and the auxiliary outputs are one command each, numbered by the
-- parameter: `kavro dome --protocol 23 --camera 1 --param 5 GotoPreset`.
CREATE TABLE DomeProtocol (
    ID INTEGER NOT NULL UNIQUE,
    Length INTEGER NOT NULL,
    BaseAddress INTEGER NOT NULL DEFAULT 0,
    Up INTEGER, UpStop INTEGER, Down INTEGER, DownStop INTEGER,
    Left INTEGER, LeftStop INTEGER, Right INTEGER, RightStop INTEGER,
    ZoomInc INTEGER, ZoomIncStop INTEGER, ZoomDec INTEGER, ZoomDecStop INTEGER,
    FocusInc INTEGER, FocusIncStop INTEGER, FocusDec INTEGER, FocusDecStop INTEGER,
    IrisInc INTEGER, IrisIncStop INTEGER, IrisDec INTEGER, IrisDecStop INTEGER,
    Stop INTEGER, Auto INTEGER, AutoStop INTEGER, Power INTEGER, PowerStop INTEGER,
    SetPreset INTEGER, ClearPreset INTEGER, GotoPreset INTEGER,
    SetAux INTEGER, ClearAux INTEGER,
    Scan INTEGER, ScanStop INTEGER,
    StayTime INTEGER NOT NULL DEFAULT 5,
    Slowest INTEGER NOT NULL DEFAULT 0,
    Fastest INTEGER NOT NULL DEFAULT 63
);

-- One row per ID with a dome layout; the Lengths fit both the dome's and the decoder's frame.
INSERT INTO DomeProtocol (ID, Length) VALUES
    (9, 6), (11, 8), (14, 9), (15, 4), (18, 5), (19, 7), (20, 11), (22, 8), (23, 7), (24, 8),
    (27, 7), (33, 6), (37, 7), (39, 9), (41, 8), (43, 3), (44, 7), (47, 8), (49, 11),
    (50, 7), (51, 12), (53, 4), (54, 7);

-- Domes 23, 37 and 44 send the code's three high bytes as command 1, command 2 and data 1, and
-- the parameter as data 2; domes 11, 24 and 22 the three high bytes as data 1 to data 3, and the
-- parameter as data 4. Dome 47 sends the two low bytes as data 1 and data 2, data 3 (the pan
-- speed) 0, and the parameter as data 4.
UPDATE DomeProtocol SET BaseAddress = -1 WHERE ID IN (11, 24, 22, 47);

UPDATE DomeProtocol SET
    UpStop = 0, DownStop = 0, LeftStop = 0, RightStop = 0, ZoomIncStop = 0, ZoomDecStop = 0,
    FocusIncStop = 0, FocusDecStop = 0, IrisIncStop = 0, IrisDecStop = 0, Stop = 0
WHERE ID IN (23, 37, 44, 11, 24, 22, 47);

-- Command 2 and data 2 hold the same bits, and so the same codes serve both frames.
UPDATE DomeProtocol SET
    Up          = 0x00080000,  -- up, tilt speed from the parameter
    Down        = 0x00100000,  -- down, tilt speed from the parameter
    Left        = 0x00042000,  -- left, pan speed 0x20
    Right       = 0x00022000,  -- right, pan speed 0x20
    ZoomInc     = 0x00200000,  -- zoom tele
    ZoomDec     = 0x00400000,  -- zoom wide
    SetPreset   = 0x00030000,  -- set preset, its number from the parameter
    ClearPreset = 0x00050000,  -- clear preset
    GotoPreset  = 0x00070000,  -- go to preset
    SetAux      = 0x00090000,  -- set auxiliary, its number from the parameter
    ClearAux    = 0x000B0000   -- clear auxiliary
WHERE ID IN (23, 37, 44, 11, 24, 22);

UPDATE DomeProtocol SET
    FocusInc    = 0x00800000,  -- focus far
    FocusDec    = 0x01000000,  -- focus near
    IrisInc     = 0x02000000,  -- iris open
    IrisDec     = 0x04000000,  -- iris close
    Auto        = 0x90000000,  -- sense + auto scan: auto scan on
    AutoStop    = 0x10000000,  -- manual scan
    Power       = 0x88000000,  -- camera on
    PowerStop   = 0x08000000   -- camera off
WHERE ID IN (23, 37, 44);

UPDATE DomeProtocol SET
    FocusInc    = 0x01000000,  -- focus far
    FocusDec    = 0x02000000,  -- focus near
    IrisInc     = 0x04000000,  -- iris open
    IrisDec     = 0x08000000,  -- iris close
    Auto        = 0x20000000,  -- auto scan on
    AutoStop    = 0,           -- no auto scan bit
    Power       = 0x50000000,  -- camera on
    PowerStop   = 0x10000000   -- camera off
WHERE ID IN (11, 24, 22);

UPDATE DomeProtocol SET
    Up          = 0x0008,      -- up, tilt speed from the parameter
    Down        = 0x0010,      -- down, tilt speed from the parameter
    Left        = 0x0004,      -- left
    Right       = 0x0002,      -- right
    ZoomInc     = 0x0020,      -- zoom tele
    ZoomDec     = 0x0040,      -- zoom wide
    FocusInc    = 0x0100,      -- focus far
    FocusDec    = 0x0200,      -- focus near
    IrisInc     = 0x0400,      -- iris open
    IrisDec     = 0x0800,      -- iris close
    Auto        = 0x2000,      -- auto scan on
    AutoStop    = 0,           -- no auto scan bit
    Power       = 0x5000,      -- camera on
    PowerStop   = 0x1000,      -- camera off
    SetPreset   = 0x0003,      -- set preset, its number from the parameter
    ClearPreset = 0x0005,      -- clear preset
    GotoPreset  = 0x0007,      -- go to preset
    SetAux      = 0x0009,      -- set auxiliary, its number from the parameter
    ClearAux    = 0x000B       -- clear auxiliary
WHERE ID = 47;
