// Writes the sample world into a folder: config.xml with every section, the
// stylesheets it calls, the map pictures, the textures and the sounds. Everything is
// drawn by this program, so the world can be rebuilt and changed freely.
//
//   world_generator <output folder>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/world_generator/picture_writer.h"
#include "tools/world_generator/server_map.h"
#include "tools/world_generator/sounds.h"
#include "tools/world_generator/textures.h"
#include "tools/world_generator/world_layout.h"

namespace fs = std::filesystem;

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

void WriteText(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

// The stylesheets get one element as their document: STATICCOLORS, or
// OBJECTS with the asked colour or name set on it. Each writes one value
// per line.
const char* const kGetColors = R"XSL(<?xml version="1.0"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>
  <xsl:template match="/">
    <xsl:for-each select="STATICCOLORS/COLOR/@value">
      <xsl:value-of select="translate(., 'ABCDEF', 'abcdef')"/>
      <xsl:text>&#10;</xsl:text>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
)XSL";

const char* const kTexturesFromColor = R"XSL(<?xml version="1.0"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>
  <xsl:variable name="lower" select="'abcdef'"/>
  <xsl:variable name="upper" select="'ABCDEF'"/>
  <xsl:variable name="colour" select="translate(/OBJECTS/@color, $upper, $lower)"/>
  <xsl:template match="/">
    <xsl:for-each select="/OBJECTS/*/OBJECT[translate(@color, $upper, $lower) = $colour]/descendant-or-self::OBJECT/@texture[. != '']">
      <xsl:value-of select="."/>
      <xsl:text>&#10;</xsl:text>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
)XSL";

const char* const kTexturesFromName = R"XSL(<?xml version="1.0"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="text" encoding="UTF-8"/>
  <xsl:template match="/">
    <xsl:for-each select="/OBJECTS/*/OBJECT[@name = /OBJECTS/@name]/descendant-or-self::OBJECT/@texture[. != '']">
      <xsl:value-of select="."/>
      <xsl:text>&#10;</xsl:text>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
)XSL";

std::string ConfigXml(const WorldLayout& world) {
  using namespace colours;
  std::ostringstream x;
  x << R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- Sample world: a walled village between a coast and a hill. Written by
     tools/world_generator; edit the generator, not this file. -->
<CONFIG>
  <SYSTEM visualscale="1.0" texturecachesize="24" positionoffset="0.25" mobrandomoffset="0.3"
          clodprecision="10" groundplaneoffset="0.01" groundmeshoffset="0.02" focallength="40"
          spriteoffset="0" cubeoffset="0" roomoffset="0.01" roomwalloffset="0.1" walloffset="0"
          sphereoffset="0" diskoffset="0" cameraheightoffset="0.6" flightfactor="2.0"/>
  <ENVIRONMENT>
    <SEA height="-0.1" mudheight="0" texture="textures\sea.bmp">
      <UNDERSEA texture="textures\undersea.bmp" color="103040" fogcolor="0c2030" fogstart="0.5" fogend="12"/>
    </SEA>
    <TERRAIN height="0.05">
      <TERRAINHEIGHTS>
        <HEIGHT x="175" y="175" z="0"/>
        <HEIGHT x="175" y="147" z="0"/>
        <HEIGHT x="255" y="255" z="0"/>
      </TERRAINHEIGHTS>
    </TERRAIN>
    <TIME nightend="5" sunrise="6" daystart="7" dayend="18" sunset="19" nightstart="21"/>
    <WEATHER>
      <CLOUDS texture="textures\clouds.bmp" scale="4" width="60" height="12"/>
    </WEATHER>
  </ENVIRONMENT>
  <UNDEFINEDAREA mudx="1" mudy="1" mudz="0" tomudx="175" tomudy="146" tomudz="0" fog="true">
    <PHRASEPOSITIONS>
)";
  for (const Place& place : world.places) {
    x << "      <PHRASE name=\"" << Escape(place.phrase) << "\" x=\"" << place.x << "\" y=\"" << place.y << "\"/>\n";
  }
  x << R"(    </PHRASEPOSITIONS>
  </UNDEFINEDAREA>
  <MAPS>
)";
  // Map rows start at the left margin: a blank at the start of a row is a cell.
  for (const RoomMap& map : world.maps) {
    x << "    <MAP x=\"" << map.x << "\" y=\"" << map.y << "\">\n" << map.text << "\n</MAP>\n";
  }
  x << R"(  </MAPS>
  <STATICCOLORS>
    <COLOR value=")" << kBackground << R"("/>
  </STATICCOLORS>
  <OBJECTS>
    <CUBES>
      <OBJECT color=")" << kTower << R"(" texture="textures\townwall.bmp" height="3">
        <OBJECT objecttype="plane" direction="up" texture="textures\roof.bmp"/>
      </OBJECT>
      <OBJECT color=")" << kGate << R"(" texture="textures\townwall.bmp" height="2">
        <OBJECT objecttype="door" texture="textures\door.bmp"/>
        <OBJECT objecttype="plane" direction="up" texture="textures\townwall.bmp"/>
      </OBJECT>
      <OBJECT color=")" << kWell << R"(" texture="textures\wellstone.bmp" height="0.4" width="0.7"/>
    </CUBES>
    <WALLS>
      <OBJECT color=")" << kTownWall << R"(" texture="textures\townwall.bmp" height="2"/>
      <OBJECT color=")" << kHouseWall << R"(" height="1.2">
        <OBJECT sides="outer" texture="textures\brick.bmp"/>
        <OBJECT sides="inner" texture="textures\plaster.bmp"/>
      </OBJECT>
    </WALLS>
    <ROOMS>
      <OBJECT color=")" << kRoom << R"(" height="1.2">
        <OBJECT objecttype="plane" roomtype="exit" texture="textures\arch.bmp"/>
        <OBJECT objecttype="plane" roomtype="wall" texture="textures\plaster.bmp"/>
        <OBJECT objecttype="plane" direction="up" texture="textures\floor.bmp"/>
        <OBJECT objecttype="plane" direction="down" texture="textures\beams.bmp"/>
      </OBJECT>
    </ROOMS>
    <GROUNDPLANES>
      <OBJECT color=")" << kGrass << R"(" texture="textures\Grass.jpg" random="true"/>
      <OBJECT color=")" << kSand << R"(" texture="textures\sand.bmp" random="true"/>
      <OBJECT color=")" << kRoad << R"(" texture="textures\road.bmp"/>
      <OBJECT color=")" << kRock << R"(" texture="textures\rock.bmp" random="true" rotrandom="true"/>
    </GROUNDPLANES>
    <SPRITES>
      <OBJECT color=")" << kTree << R"(" texture="textures\tree.bmp" height="2.2" width="1.2"
              randomoffset="0.4" randomsize="0.3" randommirror="horizontal"/>
      <OBJECT color=")" << kPine << R"(" texture="textures\pine.bmp" height="2.6" width="1.1"
              randomoffset="0.3" randomsize="0.25">
        <OBJECT texture="textures\pine.bmp" height="1.6" width="0.8" xoffset="0.35" yoffset="-0.3" randomsize="0.3"/>
      </OBJECT>
      <OBJECT color=")" << kBush << R"(" texture="textures\bush.bmp" height="0.6" width="0.8"
              randomoffset="0.5" randomsize="0.4" randommirror="horizontal"/>
      <OBJECT color=")" << kFire << R"(" objecttype="fire" height="0.5"/>
      <OBJECT color=")" << kLamp << R"(" texture="textures\lamp.bmp" height="1.6" width="0.4"/>
      <OBJECT name="wolf" texture="textures\wolf.bmp" height="0.7" width="1.2" randomoffset="0.6"
              randommirror="horizontal"/>
      <OBJECT name="villager" texture="textures\villager.bmp" height="1.1" width="0.55" randomoffset="0.6"/>
      <OBJECT name="guard" texture="textures\guard.bmp" height="1.2" width="0.6" randomoffset="0.4"/>
      <OBJECT name="O'Leary the smith" texture="textures\smith.bmp" height="1.15" width="0.6" randomoffset="0.3"/>
    </SPRITES>
    <SPHERES>
      <OBJECT color=")" << kStone << R"(" radius="0.25" zoffset="-0.1" texture="textures\stone.bmp"/>
    </SPHERES>
    <DISKS>
      <OBJECT color=")" << kWell << R"(" radius="0.28" zoffset="0.1" direction="up" texture="textures\water.bmp"/>
    </DISKS>
    <LIGHTSOURCES>
      <OBJECT color=")" << kLamp << R"("/>
    </LIGHTSOURCES>
  </OBJECTS>
  <TEXTURES>
    <TEXTURE texture="textures\\sea.bmp" scale="8" superblacktransparent="false" addscaledvectorx="0.02" addscaledvectory="0.01"/>
    <TEXTURE texture="textures\\undersea.bmp" scale="4" superblacktransparent="false"/>
    <TEXTURE texture="textures\\water.bmp" superblacktransparent="false" addscaledvectorx="0.05"/>
    <TEXTURE texture="textures\\clouds.bmp" magminfilter="linear"/>
    <TEXTURE texture="textures\\Grass.jpg" superblacktransparent="false" terrainbrightnessfactor="40"/>
    <TEXTURE texture="textures\\sand.bmp" superblacktransparent="false" terrainbrightnessfactor="45"/>
    <TEXTURE texture="textures\\road.bmp" superblacktransparent="false"/>
    <TEXTURE texture="textures\\rock.bmp" superblacktransparent="false" magminfilter="linear"/>
    <TEXTURE texture="textures\\brick.bmp" superblacktransparent="false"/>
    <TEXTURE texture="textures\\townwall.bmp" superblacktransparent="false"/>
    <TEXTURE texture="textures\\plaster.bmp" superblacktransparent="false"/>
    <TEXTURE texture="textures\\floor.bmp" superblacktransparent="false"/>
    <TEXTURE texture="textures\\tree.bmp" alpha="1.0" terrainbrightnessfactor="20"/>
    <TEXTURE texture="textures\\pine.bmp" alpha="1.0" terrainbrightnessfactor="20"/>
    <TEXTURE texture="textures\\lamp.bmp" emission="fff0c0"/>
  </TEXTURES>
  <INTERMEDIATEMAPS width="7">
    <MAP/>
    <MAP/>
    <MAP width="5"/>
  </INTERMEDIATEMAPS>
  <GODMODELOCATIONS>
)";
  for (const Place& place : world.places) {
    x << "    <LOCATION x=\"" << place.x << "\" y=\"" << place.y << "\" name=\"" << Escape(place.name)
      << "\" description=\"" << Escape(place.description) << "\"/>\n";
  }
  x << "  </GODMODELOCATIONS>\n</CONFIG>\n";
  return x.str();
}

std::string Readme(const WorldLayout& world) {
  std::ostringstream x;
  x << R"(# Sample world

A walled village between a coast in the west and a hill in the north-east.
Inside the wall: four houses (rooms with doorways, one with a kitchen behind
a partition), a stone tower, lamps, a fire and a well on the square where the
two village roads cross. The south gate has a door; a road leads from it to
the shore, where a camp fire burns among boulders. A wood lies south-east of
the village, pines grow on the hill's flanks and a path climbs to its bare
top. Map position (1, 1) is the undefined area: the server's phrases below
tell the client where the player is instead, and without one the view waits
in fog outside the south gate.

Written by `tools/world_generator` (all pictures and texts are drawn by that
program); change the generator and run it again instead of editing here:

    world_generator data/sample-world

## Places (map cells; x east, y north)

| Place | x | y | Phrase |
|---|---|---|---|
)";
  for (const Place& place : world.places) {
    x << "| " << place.name << " | " << place.x << " | " << place.y << " | \"" << place.phrase << "\" |\n";
  }
  x << R"(
Monsters the world can show by name: wolf, villager, guard, O'Leary the smith.

"server-map.txt" is the world as `tools/demo_server` walks it (the client does
not read it): the ground and the ways out of every cell, and the places.
)";
  return x.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: world_generator <output folder>\n";
    return 2;
  }
  try {
    const fs::path root = argv[1];
    for (const char* folder : {"maps", "textures", "xslt"}) fs::create_directories(root / folder);
    const WorldLayout world = BuildWorld();
    WriteText(root / "config.xml", ConfigXml(world));
    WriteText(root / "README.md", Readme(world));
    WriteText(root / "server-map.txt", ServerMapText(world));
    WriteText(root / "xslt" / "getcolors.xsl", kGetColors);
    WriteText(root / "xslt" / "gettexturesfromcolor.xsl", kTexturesFromColor);
    WriteText(root / "xslt" / "gettexturesfromname.xsl", kTexturesFromName);
    WriteBmp(world.elevation, (root / "maps" / "elevation.bmp").string());
    WriteBmp(world.aerial, (root / "maps" / "aerial.bmp").string());
    WriteBmp(world.staticMap, (root / "maps" / "static.bmp").string());
    WriteBmp(world.intermediate1, (root / "maps" / "intermediate1.bmp").string());
    WriteBmp(world.intermediate2, (root / "maps" / "intermediate2.bmp").string());
    WriteBmp(world.intermediate3, (root / "maps" / "intermediate3.bmp").string());
    for (const TextureFile& texture : DrawTextures()) {
      const std::string path = (root / texture.path).string();
      if (texture.jpeg) WriteJpeg(texture.picture, path, 90);
      else WriteBmp(texture.picture, path);
    }
    WriteSounds(root);
  } catch (const std::exception& e) {
    std::cerr << "world_generator: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
