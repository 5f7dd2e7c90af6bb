#!/usr/bin/python3
"""Makes the shapefiles and GeoPackages the GIS reader tests read, and writes what independent
readers find in them to expected.tsv: GDAL's OGR for features, attributes and coordinates,
Shapely for polygon areas. Shapefiles are written ring by ring with pyshp (so rings, nulls and
Z/M forms are exactly as meant), GeoPackages with GDAL (its own layout, indexes and versions).

Usage: gis_fixtures.py OUTDIR    (exit 77 when a needed module is missing)

expected.tsv lines, tab-separated, lists joined by \\x1f:
  C  key  feature-count  field names
  F  key  fid  attribute texts
  G  key  fid  kind  member  x,y;x,y;...        kind point/line: one line per part
  A  key  fid  polygon-count  areas (sorted)  minx  miny  maxx  maxy
  N  key  value                                  a named fact (extent, layer list, versions)
A key is the file name relative to OUTDIR, with ":" and the layer name for GeoPackages.
"""
import os
import shutil
import sqlite3
import subprocess
import sys
import zipfile

try:
    import shapefile
    from osgeo import ogr, osr
    from shapely import wkb as shapely_wkb
except ImportError as e:  # the tests skip without the tools
    print("missing:", e, file=sys.stderr)
    sys.exit(77)

ogr.UseExceptions()
out = sys.argv[1]
os.makedirs(out, exist_ok=True)
lines = []
SEP = "\x1f"


def emit(*fields):
    lines.append("\t".join(str(f) for f in fields))


def num(v):
    return repr(float(v))


# ---------------------------------------------------------------- shapefiles (pyshp)

def box(x1, y1, x2, y2, clockwise=True):
    ring = [(x1, y1), (x1, y2), (x2, y2), (x2, y1), (x1, y1)]
    return ring if clockwise else ring[::-1]


def writer(name, shape_type, encoding="utf-8"):
    w = shapefile.Writer(os.path.join(out, name), shapeType=shape_type, encoding=encoding)
    w.field("NAME", "C", size=40)
    w.field("COUNT", "N", size=10, decimal=0)
    w.field("VALUE", "N", size=16, decimal=3)
    return w


def cpg(name, text):
    with open(os.path.join(out, name + ".cpg"), "w") as f:
        f.write(text)


w = writer("points", shapefile.POINT, encoding="latin1")
for i, (x, y, n) in enumerate([(1.5, 2.25, "Côte d'Ivoire"), (-3.0, 4.0, "Comma, inside"), (10.125, -7.5, "plain"),
                               (1e6 + 0.5, 2e6 - 0.25, "far")]):
    w.point(x, y)
    w.record(n, i * 10, i * 1.5)
w.close()
cpg("points", "ISO-8859-1")

# Rings: outer rings clockwise, holes anticlockwise, as the format has them.
w = writer("polygons", shapefile.POLYGON)
w.poly([box(0, 0, 10, 10)]); w.record("square", 1, 100)
w.poly([box(20, 0, 30, 10), box(22, 2, 28, 8, False)]); w.record("with hole", 2, 64)
w.poly([box(40, 0, 45, 5), box(50, 0, 60, 10)]); w.record("two outer rings", 3, 125)
w.poly([box(70, 0, 90, 20), box(72, 2, 88, 18, False), box(75, 5, 85, 15)]); w.record("island in hole", 4, 0)
w.null(); w.record("null", 5, 0)
w.poly([box(102, 2, 108, 8, False), box(100, 0, 110, 10)]); w.record("hole listed first", 6, 0)
w.poly([box(120, 0, 150, 30), box(122, 2, 128, 8, False), box(132, 2, 138, 8, False)]); w.record("two holes", 7, 0)
w.close()

w = writer("many", shapefile.POINT)  # a table longer than any block read at once
for i in range(3000):
    w.point(i * 0.5, -i * 0.25)
    w.record("p%d" % i, i, i / 8)
w.close()

w = writer("lines", shapefile.POLYLINE)
w.line([[(0, 0), (1, 1), (2, 0.5)]]); w.record("one part", 1, 0)
w.line([[(5, 5), (6, 6)], [(7, 7), (8, 9), (9, 7)]]); w.record("two parts", 2, 0)
w.null(); w.record("null", 3, 0)
w.close()

w = writer("multipoints", shapefile.MULTIPOINT)
w.multipoint([(0, 0), (1, 1), (2, 2), (3, 3), (4, 4)]); w.record("five", 5, 0)
w.multipoint([(10, 10), (11, 12)]); w.record("two", 2, 0)
w.close()

w = writer("pointz", shapefile.POINTZ)
w.pointz(1, 2, 3); w.record("a", 1, 0)
w.pointz(4, 5, 6); w.record("b", 2, 0)
w.close()
w = writer("linem", shapefile.POLYLINEM)
w.linem([[(0, 0, 1), (3, 4, 2), (6, 0, 3)]]); w.record("m line", 1, 0)
w.close()
w = writer("polygonz", shapefile.POLYGONZ)
w.polyz([[(0, 0, 5), (0, 4, 5), (4, 4, 6), (4, 0, 6), (0, 0, 5)], [(1, 1, 5), (2, 1, 5), (2, 2, 5), (1, 2, 5), (1, 1, 5)]])
w.record("z polygon", 1, 0)
w.close()
w = writer("multipointm", shapefile.MULTIPOINTM)
w.multipointm([(1, 1, 7), (2, 3, 8)]); w.record("m points", 2, 0)
w.close()

# Units: the same square in files whose projection says feet, US survey feet or metres.
PRJ = {
    "feet": 'PROJCS["NAD_1983_StatePlane_Arizona_East_FIPS_0201_Feet_Intl",GEOGCS["GCS_North_American_1983",'
            'DATUM["D_North_American_1983",SPHEROID["GRS_1980",6378137.0,298.257222101]],PRIMEM["Greenwich",0.0],'
            'UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],UNIT["Foot",0.3048]]',
    "feetus": 'PROJCS["NAD_1983_StatePlane_New_York_Long_Island_FIPS_3104_Feet",GEOGCS["GCS_North_American_1983",'
              'DATUM["D_North_American_1983",SPHEROID["GRS_1980",6378137.0,298.257222101]],PRIMEM["Greenwich",0.0],'
              'UNIT["Degree",0.0174532925199433]],PROJECTION["Lambert_Conformal_Conic"],UNIT["Foot_US",0.3048006096012192]]',
    "surveyfeet": None,
    "metres": None,
}
for name, code in (("surveyfeet", 2263), ("metres", 32631)):
    s = osr.SpatialReference()
    s.ImportFromEPSG(code)
    s.MorphToESRI()
    PRJ[name] = s.ExportToWkt()
for name, text in PRJ.items():
    w = writer(name, shapefile.POLYGON)
    w.poly([box(1000, 2000, 1100, 2100)]); w.record(name, 1, 0)
    w.close()
    with open(os.path.join(out, name + ".prj"), "w") as f:
        f.write(text)
w = writer("noprj", shapefile.POLYGON)
w.poly([box(1000, 2000, 1100, 2100)]); w.record("noprj", 1, 0)
w.close()

w = writer("small", shapefile.POLYGON)  # an extent of 1.5 in both directions
w.poly([box(0, 0, 1.5, 1.5)]); w.record("small", 1, 0)
w.close()

w = writer("farpoint", shapefile.POINT)
for i, (x, y) in enumerate([(1, 1), (2e12, 5), (3, 3)]):
    w.point(x, y); w.record("p%d" % i, i, 0)
w.close()

# No records at all (an .shx of its header alone).
drv = ogr.GetDriverByName("ESRI Shapefile")
ds = drv.CreateDataSource(os.path.join(out, "empty.shp"))
lyr = ds.CreateLayer("empty", geom_type=ogr.wkbPoint)
lyr.CreateField(ogr.FieldDefn("NAME", ogr.OFTString))
ds = None

# Companions whose extensions are in capitals.
for ext in ("shp", "shx", "dbf"):
    shutil.copy(os.path.join(out, "lines." + ext), os.path.join(out, "CAPS." + ext.upper()))


# ---------------------------------------------------------------- GeoPackages (GDAL)

def feature(lyr, geom_wkt, **values):
    f = ogr.Feature(lyr.GetLayerDefn())
    for k, v in values.items():
        f.SetField(k, v)
    if geom_wkt == "EMPTY":
        f.SetGeometry(ogr.Geometry(lyr.GetGeomType()))
    elif geom_wkt is not None:
        f.SetGeometry(ogr.CreateGeometryFromWkt(geom_wkt))
    lyr.CreateFeature(f)


def gpkg(name, version=None):
    path = os.path.join(out, name)
    if os.path.exists(path):
        os.remove(path)
    opts = ["VERSION=" + version] if version else []
    return ogr.GetDriverByName("GPKG").CreateDataSource(path, options=opts)


def fields(lyr):
    lyr.CreateField(ogr.FieldDefn("name", ogr.OFTString))
    lyr.CreateField(ogr.FieldDefn("count", ogr.OFTInteger))
    lyr.CreateField(ogr.FieldDefn("value", ogr.OFTReal))


srs = osr.SpatialReference()
srs.ImportFromEPSG(4326)
ds = gpkg("plain.gpkg")
lyr = ds.CreateLayer("points", srs, ogr.wkbPoint)
fields(lyr)
for i in range(5):
    feature(lyr, "POINT (%g %g)" % (i * 1.5, -i * 0.25), name="pt%d" % i, count=i, value=i / 4)
lyr = ds.CreateLayer("lines", srs, ogr.wkbLineString)
fields(lyr)
lyr.CreateField(ogr.FieldDefn("width", ogr.OFTReal))  # a column no other layer has
feature(lyr, "LINESTRING (0 0,1 2,3 1)", name="l0", count=1, value=0.5, width=2.5)
feature(lyr, "LINESTRING (10 10,11 12)", name="l1", count=2, value=1.5, width=0.25)
lyr = ds.CreateLayer("polys", srs, ogr.wkbPolygon)
fields(lyr)
feature(lyr, "POLYGON ((0 0,0 10,10 10,10 0,0 0),(2 2,8 2,8 8,2 8,2 2))", name="holed", count=1, value=64)
feature(lyr, "POLYGON ((20 0,20 5,25 5,25 0,20 0))", name="plain", count=2, value=25)
lyr = ds.CreateLayer("multipolys", srs, ogr.wkbMultiPolygon)
fields(lyr)
feature(lyr, "MULTIPOLYGON (((0 0,0 1,1 1,1 0,0 0)),((2 0,2 1,3 1,3 0,2 0)),((4 0,4 2,6 2,6 0,4 0),(4.5 0.5,5.5 0.5,5.5 1.5,4.5 1.5,4.5 0.5)))",
        name="three", count=3, value=1.5)
feature(lyr, "MULTIPOLYGON (((10 10,10 11,11 11,11 10,10 10)))", name="one", count=1, value=1)
feature(lyr, "EMPTY", name="empty", count=0, value=0)
feature(lyr, None, name="null", count=0, value=0)
feature(lyr, "POLYGON ((20 20,20 21,21 21,21 20,20 20))", name="single in multi", count=1, value=1)
lyr = ds.CreateLayer("Bob's Text", srs, ogr.wkbPoint)
fields(lyr)
feature(lyr, "POINT (7 8)", name="Café, \"quoted\"", count=1, value=2.5)
ds = None

# A grid of 8 x 8 squares 10 apart for box reads, under another FID and geometry column name,
# with and without a spatial index.
for name, index in (("noindex.gpkg", "NO"), ("indexed.gpkg", "YES")):
    ds = gpkg(name)
    lyr = ds.CreateLayer("grid", srs, ogr.wkbPolygon,
                         options=["FID=objid", "GEOMETRY_NAME=shape", "SPATIAL_INDEX=" + index])
    fields(lyr)
    for i in range(10):
        for j in range(10):
            x, y = i * 10, j * 10
            feature(lyr, "POLYGON ((%d %d,%d %d,%d %d,%d %d,%d %d))" % (x, y, x, y + 8, x + 8, y + 8, x + 8, y, x, y),
                    name="c%d_%d" % (i, j), count=i * 10 + j, value=0)
    ds = None

ds = gpkg("zm.gpkg")
lyr = ds.CreateLayer("pz", srs, ogr.wkbPoint25D)
fields(lyr)
feature(lyr, "POINT Z (1 2 3)", name="z", count=1, value=0)
lyr = ds.CreateLayer("lm", srs, ogr.wkbLineStringM)
fields(lyr)
feature(lyr, "LINESTRING M (0 0 1,3 4 2,6 0 3)", name="m", count=1, value=0)
lyr = ds.CreateLayer("pzm", srs, ogr.wkbPolygonZM)
fields(lyr)
feature(lyr, "POLYGON ZM ((0 0 1 2,0 4 1 2,4 4 1 2,4 0 1 2,0 0 1 2))", name="zm", count=1, value=0)
lyr = ds.CreateLayer("mlz", srs, ogr.wkbMultiLineString25D)
fields(lyr)
feature(lyr, "MULTILINESTRING Z ((0 0 1,1 1 1),(2 2 2,3 3 3,4 2 1))", name="ml", count=2, value=0)
lyr = ds.CreateLayer("mpt", srs, ogr.wkbMultiPoint)
fields(lyr)
feature(lyr, "MULTIPOINT ((0 0),(1 1),(2 0))", name="mp", count=3, value=0)
ds = None

# A file of the program's own making: property columns and its metadata table.
ds = gpkg("maker.gpkg")
lyr = ds.CreateLayer("drawn", srs, ogr.wkbPolygon)
lyr.CreateField(ogr.FieldDefn("name", ogr.OFTString))
lyr.CreateField(ogr.FieldDefn("qy_caption", ogr.OFTString))
lyr.CreateField(ogr.FieldDefn("qy_style_number", ogr.OFTInteger))
for c in ("qy_minx", "qy_miny", "qy_maxx", "qy_maxy"):
    lyr.CreateField(ogr.FieldDefn(c, ogr.OFTReal))
f = ogr.Feature(lyr.GetLayerDefn())
f.SetField("name", "field")
f.SetField("qy_caption", "North field")
f.SetField("qy_style_number", 7)
for c, v in (("qy_minx", -1), ("qy_miny", -2), ("qy_maxx", 11), ("qy_maxy", 12)):
    f.SetField(c, v)
f.SetGeometry(ogr.CreateGeometryFromWkt("POLYGON ((0 0,0 10,10 10,10 0,0 0))"))
lyr.CreateFeature(f)
ds = None
con = sqlite3.connect(os.path.join(out, "maker.gpkg"))
con.execute("CREATE TABLE Ombrant_metadata (key TEXT, value TEXT)")
con.executemany("INSERT INTO Ombrant_metadata VALUES (?, ?)", [("version", "2.5"), ("data sets", "3")])
con.commit()
con.close()

for v in ("1.0", "1.1", "1.3"):
    ds = gpkg("v%s.gpkg" % v.replace(".", ""), v)
    lyr = ds.CreateLayer("pts", srs, ogr.wkbPoint)
    fields(lyr)
    feature(lyr, "POINT (1 2)", name="a", count=1, value=0)
    ds = None


# ---------------------------------------------------------------- real open data

datasets = "/usr/lib/python3/dist-packages/geopandas/datasets"
real = []
if os.path.isdir(datasets):
    for name in ("naturalearth_lowres", "naturalearth_cities"):
        src = os.path.join(datasets, name, name + ".shp")
        if os.path.exists(src):
            for ext in ("shp", "shx", "dbf", "prj", "cpg"):
                shutil.copy(os.path.join(datasets, name, name + "." + ext), out)
            real.append(name + ".shp")
    z = os.path.join(datasets, "nybb_16a.zip")
    if os.path.exists(z):
        with zipfile.ZipFile(z) as zf:
            for member in zf.namelist():
                if member.startswith("nybb.") and not member.endswith(".xml"):
                    with open(os.path.join(out, member), "wb") as f:
                        f.write(zf.read(member))
        real.append("nybb.shp")
    for shp in real:
        target = os.path.join(out, shp[:-4] + ".gpkg")
        subprocess.run(["ogr2ogr", "-f", "GPKG", "-nlt", "PROMOTE_TO_MULTI", target, os.path.join(out, shp)],
                       check=True, capture_output=True)
emit("N", "real", SEP.join(real))


# ---------------------------------------------------------------- what OGR and Shapely find

def coords(geom):
    return ";".join("%r,%r" % (geom.GetX(i), geom.GetY(i)) for i in range(geom.GetPointCount()))


def describe(key, lyr):
    defn = lyr.GetLayerDefn()
    names = [defn.GetFieldDefn(i).GetName() for i in range(defn.GetFieldCount())]
    emit("C", key, lyr.GetFeatureCount(), SEP.join(names))
    for f in lyr:
        fid = f.GetFID()
        emit("F", key, fid, SEP.join(f.GetFieldAsString(i) if f.IsFieldSet(i) else "" for i in range(len(names))))
        g = f.GetGeometryRef()
        if g is None or g.IsEmpty():
            continue
        flat = ogr.GT_Flatten(g.GetGeometryType())
        members = [g.GetGeometryRef(i) for i in range(g.GetGeometryCount())] if flat in (
            ogr.wkbMultiPoint, ogr.wkbMultiLineString, ogr.wkbMultiPolygon) else [g]
        kind = {ogr.wkbPoint: "point", ogr.wkbLineString: "line", ogr.wkbPolygon: "polygon"}[
            ogr.GT_Flatten(members[0].GetGeometryType())]
        if kind == "polygon":
            shape = shapely_wkb.loads(bytes(g.ExportToIsoWkb()))
            polys = list(shape.geoms) if shape.geom_type == "MultiPolygon" else [shape]
            b = shape.bounds
            emit("A", key, fid, len(polys), SEP.join(num(a) for a in sorted(p.area for p in polys)), *map(num, b))
        else:
            for k, m in enumerate(members):
                emit("G", key, fid, kind, k, coords(m))


for name in sorted(os.listdir(out)):
    path = os.path.join(out, name)
    if name.lower().endswith(".shp"):
        ds = ogr.Open(path)
        describe(name, ds.GetLayer(0))
        emit("N", name + ":extent", SEP.join(num(v) for v in ds.GetLayer(0).GetExtent()))
    elif name.endswith(".gpkg"):
        ds = ogr.Open(path)
        layers = [ds.GetLayer(i).GetName() for i in range(ds.GetLayerCount())]
        emit("N", name + ":layers", SEP.join(layers))
        for lname in layers:
            describe(name + ":" + lname, ds.GetLayerByName(lname))

with open(os.path.join(out, "expected.tsv"), "w", encoding="utf-8") as f:
    f.write("\n".join(lines) + "\n")
