#!/bin/sh
# Draws the demo skin's pictures and sounds into OUT_DIR: ImageMagick for
# the pictures (text in DejaVu Sans), sox and oggenc for the sounds. Every
# picture a button or the logo redraws is opaque, drawn over the flat
# colour it stands on, so redrawing it over itself changes nothing; only
# the slider's left end, the knob's padding, the cursor and the icon are
# transparent. Positions of the drawn headings and labels follow layout.xml.
# Usage: demo/make-art.sh OUT_DIR
set -eu
out=$1
mkdir -p "$out"
cd "$out"

SANS=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# The colour scheme.
WINDOW='#141b28'     # the window around the panel
PANEL='#1f2839'      # the tab panel
EDGE='#34425c'       # the panel's border
TEXT='#e8edf5'       # labels (the font's colour is the same: 232,237,245)
HEADING='#8fbce8'    # section headings
DIM='#7a869c'        # notes
ACCENT='#3d8fd6'
ACCENT_LIGHT='#6fb0ee'
FIELD='#141b28'      # inside check boxes, radio buttons and the slider's groove
FIELD_EDGE='#6d7f9e'
OFF_FIELD='#1a2130'
OFF_EDGE='#3b465a'
OFF_TEXT='#5d6880'

# ---- Buttons -------------------------------------------------------------------------
# button FILE WIDTH HEIGHT BACKGROUND TOP BOTTOM EDGE LABEL LABEL_COLOUR SHIFT
# A rounded button with a vertical gradient and a centred bold label,
# SHIFT pixels right and down (1 for the pressed look).
button() {
    w=$2 h=$3
    convert -size "${w}x${h}" "xc:$4" \
        \( -size "${w}x${h}" "gradient:$5-$6" \) \
        \( -size "${w}x${h}" xc:black -fill white \
           -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) 5,5" \) \
        -composite \
        -fill none -stroke "$7" -draw "roundrectangle 0.5,0.5 $((w - 1)).5,$((h - 1)).5 5,5" \
        -stroke none -fill "$9" -font "$BOLD" -pointsize 12 -gravity center \
        -annotate "+${10}+${10}" "$8" "PNG24:$1"
}

# looks NAME WIDTH HEIGHT BACKGROUND LABEL [primary]: NAME_n (normal),
# NAME_s (hovered), NAME_p (held down) and NAME_o (disabled).
looks() {
    if [ "${6:-}" = primary ]; then
        button "$1_n.png" "$2" "$3" "$4" '#3d8fd6' '#2a6fb0' '#6fb0ee' "$5" white 0
        button "$1_s.png" "$2" "$3" "$4" '#55a4ea' '#3683c8' '#a8d2f7' "$5" white 0
        button "$1_p.png" "$2" "$3" "$4" '#2566a3' '#2f78bd' '#6fb0ee' "$5" '#dce8f6' 1
    else
        button "$1_n.png" "$2" "$3" "$4" '#3b4b69' '#2c3852' '#5a6e94' "$5" '#f0f4fa' 0
        button "$1_s.png" "$2" "$3" "$4" '#4a5e84' '#374767' "$HEADING" "$5" white 0
        button "$1_p.png" "$2" "$3" "$4" '#233049' '#2b3955' '#5a6e94' "$5" '#dce4f0' 1
    fi
    button "$1_o.png" "$2" "$3" "$4" '#252e3f' '#252e3f' '#343f55' "$5" "$OFF_TEXT" 0
}

looks save 76 28 "$WINDOW" Save
looks play 76 28 "$WINDOW" Play primary
looks exit 76 28 "$WINDOW" Exit
looks benchmark 110 26 "$PANEL" Benchmark
looks website 110 26 "$PANEL" 'Website ↗'
looks readme 110 26 "$PANEL" 'Read me'

# ---- Tabs: 100x29, the last row on the panel's top border -------------------------------
# tab FILE FILL EDGE LABEL LABEL_COLOUR BOTTOM_ROW TOP_LINE
tab() {
    convert -size 100x29 "xc:$WINDOW" \
        -fill "$2" -stroke "$3" -draw "roundrectangle 0.5,0.5 99.5,40 6,6" \
        -stroke none -fill "$6" -draw "rectangle 0,28 99,28" \
        -fill "$7" -draw "rectangle 3,1 96,2" \
        -fill "$5" -font "$BOLD" -pointsize 12 -gravity center -annotate +0+0 "$4" \
        "PNG24:$1"
}
for name in General Video Audio; do
    file=tab$(echo "$name" | tr 'A-Z' 'a-z')
    tab "${file}_n.png" '#1a2231' '#2c374c' "$name" '#9aa6ba' "$EDGE" '#1a2231'
    # The shown tab opens into the panel: no border below it.
    tab "${file}_p.png" "$PANEL" "$EDGE" "$name" "$TEXT" "$PANEL" "$ACCENT"
    convert "${file}_p.png" -fill "$EDGE" -draw "point 0,28 point 99,28" "PNG24:${file}_p.png"
    tab "${file}_o.png" '#171e2b' '#232c3d' "$name" '#4a5468' "$EDGE" '#171e2b'
done

# ---- Check box and radio button masters: 16x16 on the panel ----------------------------
box() { # FILE FILL EDGE TICK_COLOUR
    convert -size 16x16 "xc:$PANEL" -fill "$2" -stroke "$3" \
        -draw "roundrectangle 0.5,0.5 15.5,15.5 3,3" \
        -fill none -stroke "$4" -strokewidth 2 -draw "polyline 4,8 7,11 12,5" \
        "PNG24:$1"
}
box check_n.png "$FIELD" "$FIELD_EDGE" "$FIELD"
box check_p.png "$ACCENT" "$ACCENT_LIGHT" white
box check_o.png "$OFF_FIELD" "$OFF_EDGE" "$OFF_FIELD"

ring() { # FILE FILL EDGE DOT_COLOUR
    convert -size 16x16 "xc:$PANEL" -fill "$2" -stroke "$3" -draw "circle 7.5,7.5 7.5,0.5" \
        -stroke none -fill "$4" -draw "circle 7.5,7.5 7.5,3.5" \
        "PNG24:$1"
}
ring radio_n.png "$FIELD" "$FIELD_EDGE" "$FIELD"
ring radio_p.png "$FIELD" "$ACCENT_LIGHT" "$ACCENT_LIGHT"
ring radio_o.png "$OFF_FIELD" "$OFF_EDGE" "$OFF_FIELD"

# ---- The volume slider ------------------------------------------------------------------
# The track is 330x24 and the knob picture 34x20, which the launcher draws
# from 25 to 271 pixels into the track. The label "Sound volume:" stands 50
# pixels left of the slider and reaches about 41 pixels into it, so the
# track leaves its first 47 columns transparent and the knob carries 22
# transparent columns before the 12 it shows: the shown knob runs from 47
# to 305 and never meets the label.
track() { # FILE GROOVE GROOVE_EDGE
    convert -size 330x24 xc:none -fill "$PANEL" -draw "rectangle 47,0 329,23" \
        -fill "$2" -stroke "$3" -draw "roundrectangle 50.5,9.5 301.5,14.5 3,3" \
        "PNG32:$1"
}
track slider_n.png "$FIELD" "$EDGE"
track slider_o.png "$OFF_FIELD" '#283246'
convert -size 34x20 xc:none \
    \( -size 12x20 gradient:'#e6edf7-#a9b8cf' \) -geometry +22+0 -composite \
    -fill none -stroke "$ACCENT_LIGHT" -draw "roundrectangle 22.5,0.5 33.5,19.5 3,3" \
    -stroke '#7f8ea6' -draw "line 26,6 26,13 line 29,6 29,13" \
    PNG32:slider_p.png
# The launcher makes no use of the slider's other looks; add-button wants them all.

# ---- Backgrounds: 430x400, one per tab ----------------------------------------------------
# The window, the accent line along its top, the panel and the footer.
convert -size 430x400 "xc:$WINDOW" \
    \( -size 3x430 gradient:"$ACCENT"-'#1a3d63' -rotate 90 \) -geometry +0+0 -composite \
    -fill "$PANEL" -stroke "$EDGE" -draw "roundrectangle 10.5,98.5 419.5,346.5 6,6" \
    -stroke none -fill "$DIM" -font "$SANS" -pointsize 11 -annotate +14+379 'Quenlar SDK 5.20' \
    base.png

# What each tab's background says, as drawing commands (ImageMagick's MVG;
# text positions are baselines, 12 pixels below the top of the text).
# heading X Y WIDTH TEXT: a bold heading with its top at Y and a rule under it.
# label X Y TEXT: a label as the launcher's font draws one with its top at Y.
# note X Y TEXT: a dim note.
mvg=""
heading() {
    mvg="$mvg font '$BOLD' font-size 12 fill '$HEADING' text $1,$(($2 + 12)) \"$4\"
        fill '$EDGE' rectangle $1,$(($2 + 17)) $(($1 + $3 - 1)),$(($2 + 17))"
}
label() { mvg="$mvg font '$SANS' font-size 12 fill '$TEXT' text $1,$(($2 + 12)) \"$3\""; }
note() { mvg="$mvg font '$SANS' font-size 11 fill '$DIM' text $1,$(($2 + 11)) \"$3\""; }
background() { # FILE
    convert base.png -draw "$mvg" "PNG24:$1"
    mvg=""
}

heading 24 106 382 Processor
heading 24 150 382 Memory
heading 24 192 382 Performance
label 45 252 'Leave processor time to other programs'
heading 24 276 382 Links
background bggeneral.png

heading 24 106 126 Renderer
heading 24 204 126 Acceleration
heading 168 106 100 Resolution
heading 276 106 130 Display
heading 276 204 130 'Colour depth'
note 24 318 "Windowed modes use the desktop's colour depth."
background bgvideo.png

heading 24 140 126 'Sample format'
heading 168 140 100 Frequency
heading 286 140 120 Channels
heading 24 238 382 Volume
note 24 326 'Music and sound follow these settings in the game.'
background bgaudio.png
rm -f base.png

# ---- The logo: a sprite of 10 frames of 400x52, a shine crossing the title ----------------
convert -size 400x52 xc:black -fill white -font "$BOLD" -pointsize 30 -annotate +4+38 'QUENLAR DEMO' \
    logo_mask.png
convert -size 400x52 "xc:$WINDOW" \
    \( -size 400x52 gradient:'#f8d06a-#e0842a' \) logo_mask.png -composite \
    -fill "$DIM" -font "$SANS" -pointsize 12 -gravity SouthEast -annotate +4+10 'game setup' \
    logo_title.png
frames=""
for f in 0 1 2 3 4 5 6 7 8 9; do
    if [ "$f" -eq 0 ]; then
        cp logo_title.png "logo_$f.png"
    else
        x=$((f * 32 - 20))
        convert logo_title.png \
            \( -size 400x52 xc:none -fill 'rgba(255,250,225,0.85)' \
               -draw "polygon $x,0 $((x + 18)),0 $((x + 4)),52 $((x - 14)),52" -blur 0x3 \) \
            logo_mask.png -composite "logo_$f.png"
    fi
    frames="$frames logo_$f.png"
done
# shellcheck disable=SC2086
convert $frames +append PNG24:logo.png
rm -f logo_mask.png logo_title.png $frames

# ---- Icon and cursor -------------------------------------------------------------------------
convert -size 32x32 xc:none \
    \( -size 32x32 gradient:'#f8d06a-#e0842a' \) \
    \( -size 32x32 xc:black -fill white -draw "roundrectangle 1,1 30,30 7,7" \) \
    -compose CopyOpacity -composite -compose Over \
    -fill "$WINDOW" -font "$BOLD" -pointsize 24 -gravity center -annotate +0+0 Q \
    PNG32:icon.png
convert -size 12x19 xc:none -fill white -stroke black \
    -draw "polygon 0.5,0.5 0.5,15.5 4.5,12 7,18 9,17.5 6.8,11.2 11.5,11.2" \
    PNG32:cursor.png

# ---- Sounds -------------------------------------------------------------------------------------
# A short click: two quick tones.
sox -q -n -r 44100 -c 2 -b 16 click.wav synth 0.045 sine 1760 sine 2637 \
    fade t 0 0.045 0.04 gain -8
# A 9.6-second music loop: an arpeggio over Am F C G, 120 beats a minute,
# with a soft bass; the loop's ends meet in silence.
notes() { # one bar of eighth notes per chord
    for n in "$@"; do printf 'synth 0.3 pluck %s fade 0 0.3 0.25 : ' "$n"; done
}
arpeggio="$(notes A3 C4 E4 A4 E4 C4 A3 C4) $(notes F3 A3 C4 F4 C4 A3 F3 A3)"
arpeggio="$arpeggio $(notes C4 E4 G4 C5 G4 E4 C4 E4) $(notes G3 B3 D4 G4 D4 B3 G3 B3)"
# shellcheck disable=SC2086
sox -q -n -r 44100 -c 1 -b 16 arpeggio.wav ${arpeggio% : }
sox -q -n -r 44100 -c 1 -b 16 bass.wav \
    synth 2.4 triangle A1 fade 0.02 2.4 0.3 : synth 2.4 triangle F1 fade 0.02 2.4 0.3 : \
    synth 2.4 triangle C2 fade 0.02 2.4 0.3 : synth 2.4 triangle G1 fade 0.02 2.4 0.3
sox -q -m -v 0.6 arpeggio.wav -v 0.4 bass.wav -c 2 music.wav \
    gain -6 reverb 30 50 60 gain -n -3
oggenc --quiet -q 3 -o music.ogg music.wav
rm -f arpeggio.wav bass.wav music.wav
