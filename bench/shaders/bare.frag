#version 110
// The frame benchmark's peer: each of the terrain's eight textures sampled once, at the
// coordinates that the terrain shader gives it, and summed. What shading with eight textures
// costs at the least.

uniform sampler2D mytex[6];
uniform sampler2D normalMap;
uniform sampler2D heightMap;
uniform int Twidth;
uniform int Tlength;
uniform float texRep;
uniform float detailRep;

varying vec3 gridPosition;

void main()
{
    vec2 extent = vec2(float(Twidth), float(Tlength));
    vec2 mapCoord = (gridPosition.xz + 0.5) / extent;
    vec2 ground = gridPosition.xz * (texRep / 100.0);
    gl_FragColor = texture2D(mytex[0], ground) + texture2D(mytex[1], ground) +
                   texture2D(mytex[2], ground) + texture2D(mytex[3], ground) +
                   texture2D(mytex[4], ground) +
                   texture2D(mytex[5], gridPosition.xz * (detailRep / 100.0)) +
                   texture2D(normalMap, mapCoord) + texture2D(heightMap, mapCoord);
}
