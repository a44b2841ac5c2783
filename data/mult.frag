#version 110
// Terrain fragment shader.
// Units 0-4: water, beach, grass, rock, snow, tiled texRep times per 100 grid units.
// Unit 5: a mid-grey detail map, tiled detailRep times per 100 grid units; it multiplies the
// colour by twice its value, so grey leaves the colour as it is.
// Unit 6: unit normals as (n + 1) * 127 bytes, one texel per grid point over Twidth x Tlength
// points. Unit 7, the heights, is left alone: the vertices' own heights serve.
//
// note: software rasterisers run both sides of every branch, so there are none, and every sample
// is paid for on every fragment whatever the switches say. A sample costs far more than the
// arithmetic around it: each texture is sampled once, seven samples in all; the switches choose
// weights and coordinates; the smooth terms come from the vertices (mult.vert).

uniform sampler2D mytex[6];
uniform sampler2D normalMap;

uniform int texturing;          // ground textures; off: a plain grey surface
uniform int slopeTexturing;     // rock where the slope is steeper than slopeCutoff
uniform int normalTexture;      // show the normal map itself, as colour
uniform int triplanarTexturing; // tiles projected from the side on cliffs, against stretching

uniform float slopeCutoff;      // rock where the normal's y falls below this
uniform int Twidth;
uniform int Tlength;
uniform float waterPosition;
uniform float triplanarCutoff;  // side projection where the normal's y falls below this
uniform float texRep;
uniform float detailRep;

varying vec3 gridPosition;
varying vec3 bands;             // see mult.vert
varying vec3 toLight;
varying vec3 lightBase;
varying vec3 lightSlope;
varying vec2 detailAndRipple;

void main()
{
    vec2 extent = vec2(float(Twidth), float(Tlength));
    vec2 mapCoord = (gridPosition.xz + 0.5) / extent;
    mapCoord = clamp(mapCoord, 0.5 / extent, 1.0 - 0.5 / extent);
    vec3 normal = normalize(texture2D(normalMap, mapCoord).rgb * (255.0 / 127.0) - 1.0);

    // Projected from above, a cliff stretches the tiles into streaks: there they are projected
    // along the horizontal axis that the cliff faces most, the coordinates moving over from the
    // top projection across triplanarCutoff +- 0.05. One set of coordinates serves every tile.
    vec3 q = gridPosition * (texRep / 100.0);
    vec2 side = abs(normal.x) > abs(normal.z) ? q.zy : q.xy;
    float triplanar =
        float(triplanarTexturing) * clamp((triplanarCutoff + 0.05 - normal.y) * 10.0, 0.0, 1.0);
    vec2 tile = mix(q.xz, side, triplanar);

    // Steep ground sheds soil and snow: rock takes over across slopeCutoff +- 0.05.
    float steep = float(slopeTexturing) *
                  (1.0 - smoothstep(slopeCutoff - 0.05, slopeCutoff + 0.05, normal.y));
    // The bands' weights: beach, grass, rock, snow; they sum to 1.
    vec4 w = vec4(1.0 - bands.x, bands.xy * (1.0 - bands.yz), bands.z) * (1.0 - steep);
    vec3 ground = w.x * texture2D(mytex[1], tile).rgb + w.y * texture2D(mytex[2], tile).rgb +
                  (w.z + steep) * texture2D(mytex[3], tile).rgb +
                  w.w * texture2D(mytex[4], tile).rgb;

    // The sea stands at height 0: the water tile drifts with waterPosition, and a ripple of light
    // runs across it at the same pace (a smoothed triangle wave, near enough a cosine).
    float wave = abs(2.0 * fract(detailAndRipple.y) - 1.0);
    float ripple = 1.0 + 0.08 * (2.0 * wave * wave * (3.0 - 2.0 * wave) - 1.0);
    vec3 water = texture2D(mytex[0], tile + vec2(4.0, 2.0) * waterPosition).rgb * ripple;
    ground = mix(water, ground, smoothstep(0.0, 0.6, gridPosition.y));

    vec3 colour = mix(vec3(0.75), ground, float(texturing));
    vec3 detail = texture2D(mytex[5], gridPosition.xz * (detailRep / 100.0)).rgb;
    colour *= 1.0 + detailAndRipple.x * (2.0 * detail - 1.0);
    colour *= lightBase + max(dot(normal, toLight), 0.0) * lightSlope;

    gl_FragColor = vec4(mix(colour, normal * 0.5 + 0.5, float(normalTexture)), 1.0);
}
