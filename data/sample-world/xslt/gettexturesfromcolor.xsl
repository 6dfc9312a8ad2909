<?xml version="1.0"?>
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
