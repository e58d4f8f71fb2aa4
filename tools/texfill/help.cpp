// The manual of texfill, one page per subcommand, printed by --help.
#include <cstdio>
#include <cstring>

#include "tools/texfill/commands.h"

namespace texfill {
namespace {

struct Page {
  const char* name;
  const char* text;
};

constexpr const char* kOverview = R"TXT(NAME
    texfill - fill pictures with library textures through the texture-fill plug-in

SYNOPSIS
    texfill fill --texture FILE [OPTIONS] IN OUT
    texfill list [--type tif|bmp|png|jpg|all] DIR
    texfill preview [OPTIONS] FILE OUT.png
    texfill pack --name "Long name" [--low] [--make-seamless] IN OUT.tif
    texfill make-seamless [--method smooth|cut] [--flatten] IN OUT
    texfill gen-sample NAME OUT.png | --list
    texfill sheet [OPTIONS] OUT.png PICTURE[=CAPTION]...
    texfill SUBCOMMAND --help
    texfill --version

DESCRIPTION
    texfill is a command-line host for the texture-fill plug-in: `fill` runs
    the plug-in's own engine over a PNG or TIFF document, exactly as an image
    editor would, with the Open Texture dialog's choices given as options.
    The other subcommands look after a texture library: `list` shows a
    directory as the dialog lists it, `preview` renders the preview the
    dialog's panel shows, `pack` turns a seamless picture into a library
    texture, `make-seamless` turns a photograph of a surface into a picture
    that tiles without a seam, `gen-sample` draws the procedural pictures of
    the sample library and `sheet` lays pictures out on a contact sheet.

EXIT STATUS
    0    success
    1    failure; no output file was written
    2    usage error
    3    (fill) the output was written, but the plug-in showed a message
    130  (fill, make-seamless, pack) interrupted with Ctrl-C; no output file
         was written
)TXT";

constexpr const char* kFill = R"TXT(NAME
    texfill fill - fill a document with a texture, hosting the plug-in

SYNOPSIS
    texfill fill --texture FILE [--size SIZE] [--origin document|selection]
                 [--scale PERCENT] [--angle DEGREES] [--offset X,Y]
                 [--repeat tile|mirror|random|shapes] [--seed N] [--cell PERCENT]
                 [--make-seamless]
                 [--rect TOP,LEFT,BOTTOM,RIGHT] [--gray] [--verbose] IN OUT
    texfill.exe fill --plugin PATH.8BF --texture FILE [OPTIONS] IN.tif OUT.tif

DESCRIPTION
    Reads IN, an 8- or 16-bit RGB or grayscale PNG or TIFF, and fills it
    with the texture FILE by acting as the plug-in's host: it builds the host record,
    calls the plug-in's entry point with the Parameters, Prepare, Start,
    Continue and Finish selectors, hands each band of the document over in
    place, and writes the filled document to OUT (PNG for .png, uncompressed
    TIFF for .tif or .tiff). The chooser's answers come from the options.
    Pixels outside the rectangle are copied unchanged.

    A 16-bit document is handed to the plug-in as a 16-bit host hands it
    over, samples from 0 to 32768: file sample f becomes
    (f * 32768 + 32767) / 65535, and every filled sample h comes back as
    (h * 65535 + 16384) / 32768 (both rounded to the nearest, halves up), so
    an 8-bit texel v lands in the file as the nearest 16-bit value to
    ((v * 32768 + 127) / 255) * 65535 / 32768, 0 for 0 and 65535 for 255.
    OUT is written at 16 bits; --gray takes 8-bit documents only.

    While the plug-in works, a progress bar is drawn on stderr when stderr
    is a terminal. Ctrl-C is the host's abort: the plug-in sees it at its
    next abort test and stops with result 1; nothing is written. A second
    Ctrl-C ends texfill at once.

    Messages the plug-in shows (such as "Error while reading file") are
    printed on stderr. When the plug-in ends with an error, OUT is not
    written; OUT is only ever replaced whole, never left half written.

OPTIONS
    --texture FILE
        The texture: a library TIFF (512x512 RGB or 128x128 one-sample with
        the extension .tif), any TIFF of 8-bit samples, an 8- or 24-bit BMP,
        or a PNG or JPEG (.png, .jpg, .jpeg; decoded into memory first).

    --size SIZE
        The Open Texture dialog's "Size to:" entry: Actual (the default),
        512X512, 256X256, 128X128 or 64X64 (letter case does not matter).
        As in the dialog, these apply only to library textures and to square
        PNG and JPEG textures of at least 64 pixels: a 512x512 texture is
        reduced with the wrap-around resampler, a 128x128 one is enlarged to
        512X512 or 256X256 by repeating each texel, or reduced to 64X64. A
        square PNG or JPEG is enlarged by repeating texels when the size is
        a whole multiple of its side, otherwise resampled. Other textures are
        filled at their own size.

        A bare number N from 2 to 512 (or NxN for an N not in the list) is an
        extension the dialog does not offer: texfill itself rescales the
        texture, which must be square, to N by N pixels with the plug-in's
        wrap-around resampler (reductions and enlargements alike, so the
        result still tiles) into a temporary uncompressed TIFF, and lets the
        plug-in fill that at its actual size. Note that 512 and 512X512
        differ for a 128x128 texture: resampled versus texels repeated.

    --origin document|selection
        Where the repetition is anchored: at the document's top-left corner
        (the default, so separate fills join seamlessly) or at the
        rectangle's top-left corner (Preferences: "Top left of selection").

    --scale PERCENT
        The texture's size in percent after --size, 1 to 1000 (default 100):
        50 with 256X256 repeats every 128 pixels. Reductions are filtered
        first, so a small scale does not flicker or alias.

    --angle DEGREES
        Turn the texture counter-clockwise as seen on screen (negative:
        clockwise); any decimal number, taken modulo 360. Default 0.

    --offset X,Y
        Move the texture X pixels right and Y down from the origin (whole
        pixels, -300000 to 300000). Default 0,0.

    --repeat tile|mirror|random|shapes
        tile (the default) repeats the texture side by side; mirror reflects
        every other copy across and down, so any picture repeats without a
        hard edge, seamless or not; random fills without visible repetition
        (see --seed and --cell): every pixel blends three randomly offset
        copies of the texture so that its histogram is kept but no period
        shows. Good for marble, sand, clouds, grass and rust; it blurs the
        structure of bricks, tiles and lettering. shapes also fills without
        visible repetition, from pieces of the texture joined along the
        lines where they agree, so that bricks, cobbles, planks and weaves
        keep their shapes; the tile is the texture's period (see --cell).

    --seed N
        The variation of --repeat random and shapes, 0 to 99999 (default 1): another
        number, another arrangement. The same number always gives the same
        fill.

    --cell PERCENT
        The cell of --repeat random in percent of the texture's shorter
        side, 1 to 100; 0 (the default) chooses it from the texture, large
        enough that its features survive the blending. With --repeat shapes,
        the tile in percent of the period across and down (0: the period,
        at most 512 pixels).

    --make-seamless
        Preferences' "Make seamless": a PNG, JPEG, BMP or TIFF texture other
        than the library's is made to tile without a seam when the fill
        starts, before any scaling, as texfill make-seamless does by default
        (the smooth method); library textures are taken as they are.

    The scale, angle and offset are those of the plug-in's Preferences
    dialog. Every pixel samples the endlessly repeated texture at its centre
    with a cubic filter, so fills anchored at the document still join and a
    fill is the same however the host splits it into bands. With the
    defaults the fill is the plug-in's plain tile fill, byte for byte.

    --rect TOP,LEFT,BOTTOM,RIGHT
        The area to fill (the host's filter rectangle; bottom and right are
        exclusive). Default: the whole document.

    --gray
        Convert an RGB document to grayscale before the fill, with the
        plug-in's own weights ((306 R + 601 G + 117 B) / 1024), and fill it
        in grayscale mode: texture rows are turned gray by the plug-in and
        OUT is a grayscale file. A grayscale IN is always filled in
        grayscale mode.

    --verbose
        Say how a texture was rescaled and how many bands were filled.

    --plugin PATH
        Windows build only: the plug-in DLL (.8BF) to load with LoadLibrary
        and drive through its ENTRYPOINT1 export, instead of the engine the
        native build links in. Its message boxes are answered with OK and
        printed on stderr. The Windows build offers the dialog's sizes but
        not pixel sizes.

ENVIRONMENT
    TEXFILL_BAND_DELAY_MS
        Wait this many milliseconds at every abort test of the plug-in, so
        that a fill of a small document can be watched or interrupted.

EXIT STATUS
    0 filled and written; 1 failure, nothing written; 2 usage error;
    3 written, but the plug-in showed a message; 130 interrupted by Ctrl-C.

EXAMPLES
    texfill fill --texture marble.tif --size 256X256 photo.png out.png
    texfill fill --texture wood.tif --rect 40,40,200,300 --origin selection \
        photo.png out.png
    texfill fill --texture clouds.tif --size 100 --gray photo.tif out.tif
    texfill fill --texture brick.tif --size 256X256 --scale 50 --angle 30 \
        wall.png out.png
    texfill fill --texture photo-of-bark.jpg --repeat mirror in.png out.png
)TXT";

constexpr const char* kList = R"TXT(NAME
    texfill list - list a texture library as the Open Texture dialog does

SYNOPSIS
    texfill list [--type tif|bmp|png|jpg|all] DIR

DESCRIPTION
    Prints one line per file of DIR, sorted by name: the file name, the long
    name the "Long Names" list shows (the TIFF's ImageDescription up to its
    first ";", a PNG's Title or Description text or a JPEG's first comment
    cut the same way, the file name itself for any other file that is not a
    TIFF), the info line the dialog shows for the file ("TIFF (24 bit,
    512x512)", "PNG (8 bit, 1024x1024)"), and the class that decides whether
    the "Size to:" entries apply: high-res (512x512 RGB .tif), low-res
    (128x128 one-sample .tif), resizable (a square PNG or JPEG of at least
    64 pixels) or "-".
    An empty long name or info line is printed as "-". Names are opened as
    they are spelled in DIR.

OPTIONS
    --type tif|bmp|png|jpg|all
        Which files to list, like the dialog's file-type filter: files with
        the extension .tif (the default), .bmp, .png, .jpg or .jpeg, or every
        file.
)TXT";

constexpr const char* kPreview = R"TXT(NAME
    texfill preview - render the preview panel's picture and a seam check

SYNOPSIS
    texfill preview [--scale N] [--sixteen] [--no-tiles] FILE OUT.png
    texfill preview --swatch [--size SIZE] [FILL OPTIONS] FILE OUT.png

DESCRIPTION
    Writes OUT.png with, on the left, the 64x64 preview that the Open
    Texture dialog's panel shows for FILE (the library TIFF's second
    directory, coloured through its ColorMap), enlarged N times inside the
    panel's black frame; on the right, the texture itself tiled two by two,
    where a seam would show along the middle lines. A file without a
    preview gives the white square the panel shows, with a note on stderr.

    With --swatch, OUT.png is instead the 160x160 swatch of the plug-in's
    Preferences dialog: the top-left corner of a document filled with FILE
    and the fill options of texfill fill (--size, --scale, --angle, --offset,
    --repeat, --seed, --cell, with the same meanings; --scale is then the
    fill's percentage). A texture that cannot be read gives a white swatch.

OPTIONS
    --scale N      enlarge the preview N times (1 to 16, default 4)
    --sixteen      show the third directory, the 16-colour preview
    --no-tiles     leave the tiled texture out
)TXT";

constexpr const char* kPack = R"TXT(NAME
    texfill pack - make a library texture from a seamless picture

SYNOPSIS
    texfill pack --name "Long name" [--low] [--quiet]
                 [--make-seamless [--method smooth|cut] [--flatten]] IN OUT.tif

DESCRIPTION
    Reads IN (an 8-bit RGB or grayscale PNG or TIFF), which must be square
    and should tile seamlessly (or be made so with --make-seamless), and
    writes the library TIFF OUT.tif:

      directory 1  the texture, uncompressed: 512x512 RGB, or with --low
                   128x128 with one 8-bit sample (gray); ImageDescription
                   holds the long name
      directory 2  the 64x64 preview, 8-bit palette with a ColorMap
      directory 3  the 64x64 preview for 16-colour displays, 4-bit palette

    The picture is scaled with the plug-in's wrap-around resampler, so it
    still tiles: a whole multiple of the size is reduced as the plug-in's
    own reductions are, any other size (smaller ones too) goes through the
    resampler's general path. texfill says which on stderr. The previews
    are the texture reduced to 64x64 and colour-quantised with
    libimagequant. The result is read back with the plug-in's own readers
    (info line, long name, library class) before texfill reports success.

    The list shows the long name up to its first ";" and at most 63
    characters; library files keep further fields after a ";".

OPTIONS
    --name "Long name"  the long name (required)
    --low               make a low-resolution (128x128 one-sample) texture
    --quiet             do not say how the picture was scaled
    --make-seamless     make IN seamless first, as `texfill make-seamless`
                        does, before it is scaled; --method and --flatten
                        as there

EXAMPLES
    texfill pack --name "Carrara Marble;veined" marble.png marble.tif
    texfill pack --name "Cloudy Sky" --low clouds.png clouds.tif
    texfill pack --name "Gravel" --make-seamless gravel-photo.png gravel.tif
)TXT";

constexpr const char* kMakeSeamless = R"TXT(NAME
    texfill make-seamless - make a photograph of a surface tile without a seam

SYNOPSIS
    texfill make-seamless [--method smooth|cut] [--flatten] IN OUT

DESCRIPTION
    Reads IN (a PNG or TIFF of 8 or 16 bits a sample, or a JPEG; gray or
    RGB) and writes OUT (PNG for .png, uncompressed TIFF for .tif or .tiff)
    at the same size, bit depth and colours, changed so that copies of it
    placed side by side and one above the other join without a visible
    edge. The picture stays where it is, and its middle is kept.

METHODS
    smooth (the default)
        Splits the picture into a periodic part and a smooth part that
        carries the jumps from each border to the opposite one (L. Moisan's
        periodic plus smooth decomposition), and takes the smooth part out
        in full at the borders, fading to nothing a quarter of the way in:
        the middle half of the picture is kept exactly. Every detail stays
        where it was; what changes is a slow shift of brightness and colour
        near the borders. Pick it for grass, gravel, sand, bark, plaster,
        fabric, foliage: any surface without long straight features.

    cut
        Covers the left and right borders, then the top and bottom ones,
        with a strip from the middle of the picture, joined to the picture
        along the path where the two differ least (found row by row, as in
        Efros and Freeman's image quilting) with a two-pixel feather, then
        applies smooth to what is left. Pick it when features run across
        the border and smooth would leave them broken or bent: planks,
        bricks and their joints, tiles, stones. The borders then repeat
        some of the middle's content.

OPTIONS
    --method smooth|cut
        As above; smooth when not given.

    --flatten
        Before either method, divide out the large-scale change of
        brightness (a very wide blur of the picture's brightness, kept to
        the picture's mean), so that a photograph lit from one side does not
        tile into light and dark stripes. Detail smaller than about a
        quarter of the picture stays. Leave it off for pictures lit evenly:
        it changes the picture's overall shading.

EXIT STATUS
    0 written; 1 failure, nothing written; 2 usage error (OUT not written);
    130 interrupted by Ctrl-C, nothing written.

EXAMPLES
    texfill make-seamless gravel.jpg gravel-tile.png
    texfill make-seamless --method cut --flatten planks.tif planks-tile.tif
)TXT";

constexpr const char* kGenSample = R"TXT(NAME
    texfill gen-sample - draw a seamless procedural picture

SYNOPSIS
    texfill gen-sample [--size N] [--title TEXT] NAME OUT.png|OUT.jpg
    texfill gen-sample [--size WxH] document OUT.png
    texfill gen-sample --list

DESCRIPTION
    Draws the sample NAME (periodic noise and shapes whose period is the
    picture itself, so it tiles seamlessly) as an RGB picture of N x N
    pixels (8 to 4096; each sample has its own default size). --list prints
    one line per sample: name, high or low (resolution class it is packed
    as), default size and long name, separated by tabs. The sample library
    of the build is made from these with `texfill pack`.

    OUT.jpg (or .jpeg) writes a JPEG of quality 92 instead of a PNG.
    --title TEXT stores TEXT as the picture's long name, the name the
    plug-in lists it by: a PNG's "Title" text, a JPEG's comment.

    The name "document" draws a landscape of W x H pixels (default 640x400)
    instead: a picture to fill in demonstrations, not a texture.
)TXT";

constexpr const char* kSheet = R"TXT(NAME
    texfill sheet - lay pictures out on a contact sheet

SYNOPSIS
    texfill sheet [--columns N] [--cell PIXELS] [--title TEXT] OUT.png
                  PICTURE[=CAPTION]...

DESCRIPTION
    Places each PICTURE (PNG or TIFF) in a cell of PIXELS x PIXELS (default
    256; larger pictures are reduced by area averaging), N cells a row
    (default 4), with its caption (default: its file name) below it in a
    small bitmap font.
)TXT";

constexpr Page kPages[] = {{"", kOverview},       {"fill", kFill},
                           {"list", kList},        {"preview", kPreview},
                           {"pack", kPack},        {"make-seamless", kMakeSeamless},
                           {"gen-sample", kGenSample}, {"sheet", kSheet}};

}  // namespace

const char* manualPage(const std::string& subcommand) {
  for (const Page& page : kPages) {
    if (subcommand == page.name) return page.text;
  }
  return nullptr;
}

bool printHelp(const std::string& subcommand) {
  const char* page = manualPage(subcommand);
  if (page != nullptr) std::fputs(page, stdout);
  return page != nullptr;
}

}  // namespace texfill
