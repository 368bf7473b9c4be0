<?xml version="1.0" encoding="UTF-8"?>
<tileset name="showcase" tilewidth="32" tileheight="32">
 <image source="showcase-tiles.png" width="128" height="64"/>
</tileset>
