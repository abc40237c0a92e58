# Reads an IGES or STEP file with OpenCASCADE and prints what it found:
# ENTITIES=, FAILS=, WARNINGS=, the message lines, the shape's counts, its
# bounding box, the entities named in DUMP, and a final DONE (a Tcl error ends the script silently).
pload MODELING XSDRAW
set f $::env(F)
if {[string match -nocase *.igs $f] || [string match -nocase *.iges $f]} {
  xnorm iges; xload $f; set checks [data c]; igesbrep $f r *; set shp r
} else {
  xload $f; set checks [data c]; stepread $f r *; set shp r_1
}
regexp {(\d+) Entities} $checks -> ne; puts "ENTITIES=$ne"
puts "FAILS=[regexp -all {\n +\d+\tF:} $checks] WARNINGS=[regexp -all {\n +\d+\tW:} $checks]"
foreach line [split $checks \n] { if {[regexp {^ +\d+\t[FW]:} $line]} { puts "MSG:$line" } }
# A file of notes alone gives no shape: its counts are 0 and its box empty.
if {[catch {nbshapes $shp} n]} { set n "" }
foreach k {VERTEX EDGE WIRE FACE SOLID} {
  set c 0; regexp "$k +: +(\\d+)" $n -> c; puts -nonewline "$k=$c "
}
puts ""
if {[catch {bounding $shp} box]} { set box "" }
puts "BBOX=$box"
# The texts of an IGES file come through as their bytes (a Latin-1 character
# each), those of a STEP file as the characters its escapes name: every
# character beyond ASCII is printed as \xNN, or beyond Latin-1 as \u{N...}.
proc ascii {s} {
  set out ""
  foreach ch [split $s ""] {
    scan $ch %c c
    if {$c < 128} {
      append out $ch
    } elseif {$c < 256} {
      append out [format {\x%02X} $c]
    } else {
      append out [format {\u{%X}} $c]
    }
  }
  return $out
}
# Entities to dump in full (their numbers in the file, space separated).
if {[info exists ::env(DUMP)]} { foreach e $::env(DUMP) { puts [ascii [entity $e 6]] } }
# With HEADER set, the header section as OpenCASCADE decoded it (its strings
# as UTF-8).
if {[info exists ::env(HEADER)]} { puts [data g] }
puts "DONE"
