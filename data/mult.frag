#version 110
// Terrain fragment shader.
// Units 0-4: water, beach, grass, rock, snow, tiled texRep times across the terrain.
// Unit 5: a mid-grey detail map, tiled detailRep times inside each ground tile; it multiplies
// the colour by twice its value, so grey leaves the colour as it is.
// Unit 6: unit normals as (n + 1) * 127 bytes; unit 7: height / Theight as alpha. Both hold one
// texel per grid point over Twidth x Tlength points.

uniform sampler2D mytex[6];
uniform sampler2D normalMap;
uniform sampler2D heightMap;

uniform int texturing;          // ground textures; off: a plain grey surface
uniform int slopeTexturing;     // rock where the slope is steeper than slopeCutoff
uniform int lighting;           // diffuse and ambient light from light 0
uniform int normalTexture;      // show the normal map itself, as colour
uniform int useDetailMap;
uniform int triplanarTexturing; // project the tiles three ways on cliffs, against stretching
uniform int textureLOD;         // coarser tiling and no detail far from the eye

uniform float levelRatio;       // height of one band, as a fraction of Theight
uniform float slopeCutoff;      // rock where the normal's y falls below this
uniform float Theight;
uniform int Twidth;
uniform int Tlength;
uniform float waterPosition;
uniform float triplanarCutoff;  // triplanar where the normal's y falls below this
uniform float texRep;
uniform float detailRep;

varying vec3 gridPosition;
varying vec3 eyePosition;

float lodBlend;

vec4 tiled(sampler2D tile, vec2 uv)
{
    vec4 near = texture2D(tile, uv);
    if (textureLOD == 0 || lodBlend <= 0.0)
        return near;
    // Far away a fine tiling repeats visibly: fade to the same tile eight times larger.
    return mix(near, texture2D(tile, uv * 0.125), lodBlend);
}

vec4 projected(sampler2D tile, vec3 p, vec3 axisWeights, bool triplanar)
{
    if (!triplanar)
        return tiled(tile, p.xz);
    return tiled(tile, p.zy) * axisWeights.x + tiled(tile, p.xz) * axisWeights.y +
           tiled(tile, p.xy) * axisWeights.z;
}

// Weight of band k (1 beach, 2 grass, 3 rock, 4 snow) at relative height h: each band spans
// levelRatio and blends into its neighbours over a third of that.
float bandWeight(float k, float h)
{
    float blend = levelRatio / 3.0;
    float low = k == 1.0 ? -1.0 : (k - 1.0) * levelRatio;
    float high = k == 4.0 ? 1e6 : k * levelRatio;
    return smoothstep(low - blend, low + blend, h) * (1.0 - smoothstep(high - blend, high + blend, h));
}

void main()
{
    vec2 extent = vec2(float(Twidth), float(Tlength));
    vec2 mapCoord = (gridPosition.xz + 0.5) / extent;
    vec3 normal = normalize(texture2D(normalMap, mapCoord).rgb * (255.0 / 127.0) - 1.0);
    float height = texture2D(heightMap, mapCoord).a * Theight;
    float eyeDistance = length(eyePosition);
    lodBlend = smoothstep(80.0, 600.0, eyeDistance);

    vec3 colour;
    if (normalTexture != 0) {
        colour = normal * 0.5 + 0.5;
    } else if (texturing != 0) {
        vec3 p = gridPosition * (texRep / extent.x);
        bool triplanar = triplanarTexturing != 0 && normal.y < triplanarCutoff;
        vec3 axisWeights = abs(normal);
        axisWeights /= axisWeights.x + axisWeights.y + axisWeights.z;

        float h = Theight > 0.0 ? height / Theight : 0.0;
        float w1 = bandWeight(1.0, h), w2 = bandWeight(2.0, h);
        float w3 = bandWeight(3.0, h), w4 = bandWeight(4.0, h);
        if (slopeTexturing != 0) {
            // Steep ground sheds soil and snow: rock takes over around the cutoff.
            float rock = 1.0 - smoothstep(slopeCutoff - 0.05, slopeCutoff + 0.05, normal.y);
            w1 *= 1.0 - rock;
            w2 *= 1.0 - rock;
            w4 *= 1.0 - rock;
            w3 = mix(w3, 1.0, rock);
        }
        vec4 ground = vec4(0.0);
        if (w1 > 0.0) ground += w1 * projected(mytex[1], p, axisWeights, triplanar);
        if (w2 > 0.0) ground += w2 * projected(mytex[2], p, axisWeights, triplanar);
        if (w3 > 0.0) ground += w3 * projected(mytex[3], p, axisWeights, triplanar);
        if (w4 > 0.0) ground += w4 * projected(mytex[4], p, axisWeights, triplanar);
        ground /= max(w1 + w2 + w3 + w4, 0.0001);

        // The sea stands at height 0: two layers of the water tile drift against each other.
        float sea = 1.0 - smoothstep(0.0, 0.6, height);
        if (sea > 0.0) {
            vec2 uv = gridPosition.xz * (texRep / extent.x);
            vec4 water = 0.5 * (texture2D(mytex[0], uv + vec2(waterPosition, 0.5 * waterPosition)) +
                                texture2D(mytex[0], uv * 1.7 - vec2(0.25 * waterPosition, waterPosition)));
            ground = mix(ground, water, sea);
        }
        colour = ground.rgb;
    } else {
        colour = vec3(0.75);
    }

    if (useDetailMap != 0 && normalTexture == 0) {
        vec2 uv = gridPosition.xz * (texRep * detailRep / extent.x);
        float fade = textureLOD != 0 ? 1.0 - smoothstep(40.0, 250.0, eyeDistance) : 1.0;
        colour *= mix(vec3(1.0), 2.0 * texture2D(mytex[5], uv).rgb, fade);
    }

    if (lighting != 0) {
        vec3 n = normalize(gl_NormalMatrix * normal);
        vec4 lightPosition = gl_LightSource[0].position;
        vec3 toLight = normalize(lightPosition.xyz - eyePosition * lightPosition.w);
        float diffuse = max(dot(n, toLight), 0.0);
        vec3 light = gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb +
                     diffuse * gl_LightSource[0].diffuse.rgb;
        colour *= light;
    }

    gl_FragColor = vec4(colour, 1.0);
}
