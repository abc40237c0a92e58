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
set n [nbshapes $shp]
foreach k {VERTEX EDGE WIRE FACE SOLID} { regexp "$k +: +(\\d+)" $n -> c; puts -nonewline "$k=$c " }
puts ""
puts "BBOX=[bounding $shp]"
# Entities to dump in full (their numbers in the file, space separated).
if {[info exists ::env(DUMP)]} { foreach e $::env(DUMP) { puts [entity $e 6] } }
puts "DONE"
