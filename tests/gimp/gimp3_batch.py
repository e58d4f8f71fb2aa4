# Run by GIMP 3's console through its Python interpreter (see
# gimp3_batch_test.sh): each operation applied to a layer, the image
# exported. WORK is set before this file is run.
import gi
gi.require_version("Gimp", "3.0")
gi.require_version("Gegl", "0.4")
from gi.repository import Gimp, Gio, Gegl

def save(image, name):
    Gimp.file_save(Gimp.RunMode.NONINTERACTIVE, image, Gio.File.new_for_path(WORK + "/" + name), None)

# Make Seamless as a drawable filter on a loaded picture, merged.
image = Gimp.file_load(Gimp.RunMode.NONINTERACTIVE, Gio.File.new_for_path(WORK + "/brick.png"))
layer = image.get_layers()[0]
made = Gimp.DrawableFilter.new(layer, "zovezadu:make-seamless", "Make Seamless")
config = made.get_config()
config.set_property("method", "cut")
config.set_property("flatten", True)
made.update()
layer.merge_filter(made)
save(image, "gimp-seamless.png")

# Texture Fill onto a new layer. GIMP 3.0 hands a drawable filter's
# properties to scripts without its file-path ones (the texture), so the
# script runs the operation on the layer's buffer through GEGL instead.
W, H = 301, 203
image = Gimp.Image.new(W, H, Gimp.ImageBaseType.RGB)
layer = Gimp.Layer.new(image, "fill", W, H, Gimp.ImageType.RGB_IMAGE, 100, Gimp.LayerMode.NORMAL)
image.insert_layer(layer, None, 0)
Gegl.init(None)
buffer = layer.get_buffer()
graph = Gegl.Node()
fill = graph.create_child("zovezadu:texture-fill")
fill.set_property("texture", WORK + "/rust.png")
fill.set_property("scale", 150)
fill.set_property("angle", 30.0)
fill.set_property("repeat", "mirror")
crop = graph.create_child("gegl:crop")
crop.set_property("width", float(W))
crop.set_property("height", float(H))
write = graph.create_child("gegl:write-buffer")
write.set_property("buffer", buffer)
fill.link(crop)
crop.link(write)
write.process()
buffer.flush()
layer.update(0, 0, W, H)
save(image, "gimp-fill.png")
